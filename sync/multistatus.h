// A WebDAV multistatus answer read as it arrives (expat): each <response> is handed on as soon
// as it is complete, so an answer of ten thousand contacts is never held whole, and a property
// longer than its limit (a 50 MB vCard) is cut off and marked for that one response while the
// rest goes on.
#pragma once

#include "engine/result.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark::sync {

// Element names as "namespace|local name".
inline constexpr char kDavHref[] = "DAV:|href";
inline constexpr char kDavGetEtag[] = "DAV:|getetag";
inline constexpr char kDavResourceType[] = "DAV:|resourcetype";
inline constexpr char kDavCollection[] = "DAV:|collection";
inline constexpr char kDavDisplayName[] = "DAV:|displayname";
inline constexpr char kDavSyncToken[] = "DAV:|sync-token";
inline constexpr char kDavCurrentUserPrincipal[] = "DAV:|current-user-principal";
inline constexpr char kCardAddressBook[] = "urn:ietf:params:xml:ns:carddav|addressbook";
inline constexpr char kCardAddressData[] = "urn:ietf:params:xml:ns:carddav|address-data";
inline constexpr char kCardHomeSet[] = "urn:ietf:params:xml:ns:carddav|addressbook-home-set";
inline constexpr char kCalendarServerCtag[] = "http://calendarserver.org/ns/|getctag";

// The longest a property may be: an address-data (one vCard), and every other one.
inline constexpr std::size_t kCardLimit = 16u << 20;
inline constexpr std::size_t kPropertyLimit = 64u << 10;

struct DavProperty {
    std::string text;                  // its text, the text of what it holds included
    std::vector<std::string> hrefs;    // the <href>s it holds (principals, home sets)
    std::vector<std::string> children; // the names of the elements right inside it
    bool cut = false;                  // longer than its limit: `text` is empty
};

struct DavResponse {
    std::string href;
    long status = 0; // the response's own <status>, 0 when it has propstats instead
    std::map<std::string, DavProperty> properties; // those found (a 2xx propstat)

    const DavProperty* find(const std::string& name) const;
    bool hasChild(const std::string& property, const std::string& child) const;
};

// The status code in an HTTP status line ("HTTP/1.1 404 Not Found" -> 404), 0 when none.
long StatusCodeOf(std::string_view line);

class MultistatusParser {
public:
    using Listener = std::function<void(DavResponse&&)>;
    explicit MultistatusParser(Listener each, std::size_t cardLimit = kCardLimit);
    ~MultistatusParser();
    MultistatusParser(const MultistatusParser&) = delete;
    MultistatusParser& operator=(const MultistatusParser&) = delete;

    // Reads the next piece; a failure (broken XML, not a multistatus) stops the parse for good.
    Result feed(std::string_view bytes);
    // The end of the answer: a document left unfinished is broken.
    Result finish();
    // The multistatus's own <sync-token> (RFC 6578), "" when it had none.
    const std::string& syncToken() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Parses a whole answer at once.
Result ParseMultistatus(std::string_view body, const MultistatusParser::Listener& each,
                        std::string* syncToken = nullptr);

} // namespace quenlark::sync
