#include "sync/discovery.h"

#include "sync/webdav.h"

#include <algorithm>
#include <cctype>

namespace quenlark::sync {

namespace {

constexpr char kProbeBody[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
    "<d:resourcetype/><d:displayname/><d:current-user-principal/><c:addressbook-home-set/>"
    "</d:prop></d:propfind>";
constexpr char kListBody[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:displayname/></d:prop>"
    "</d:propfind>";

// What one address says of itself.
struct Probe {
    std::string url; // where the answer came from, after redirects
    bool isBook = false;
    std::string displayName;
    std::string principal;
    std::string home;
};

std::string withSlash(std::string url) {
    if (!url.empty() && url.back() != '/')
        url += '/';
    return url;
}

std::string firstHref(const DavResponse& response, const char* property, const std::string& base) {
    const DavProperty* value = response.find(property);
    if (!value || value->hrefs.empty() || value->hrefs.front().empty())
        return {};
    return withSlash(ResolveUrl(base, value->hrefs.front()));
}

Result probe(HttpClient& http, const std::string& url, Probe& out) {
    out = Probe{};
    HttpResponse answer;
    std::vector<DavResponse> responses;
    Result sent = SendDav(
        http, {"PROPFIND", url, "0", kProbeBody, "Looking at " + url},
        [&](DavResponse&& response) {
            if (responses.size() < 16)
                responses.push_back(std::move(response));
        },
        nullptr, &answer);
    if (!sent)
        return sent;
    out.url = answer.url.empty() ? url : answer.url;
    const DavResponse* self = nullptr;
    for (const DavResponse& response : responses)
        if (HrefKey(response.href) == HrefKey(out.url))
            self = &response;
    if (!self && !responses.empty())
        self = &responses.front();
    if (!self)
        return Result::Fail(Failure::BadResponse, "Looking at " + url + ": an empty answer");
    out.isBook = self->hasChild(kDavResourceType, kCardAddressBook);
    if (const DavProperty* name = self->find(kDavDisplayName))
        out.displayName = name->text;
    out.principal = firstHref(*self, kDavCurrentUserPrincipal, out.url);
    out.home = firstHref(*self, kCardHomeSet, out.url);
    return {};
}

// The address books right inside `url`.
Result listBooks(HttpClient& http, const std::string& url, std::vector<AddressBookInfo>& books) {
    HttpResponse answer;
    std::vector<DavResponse> found;
    Result sent = SendDav(
        http, {"PROPFIND", url, "1", kListBody, "Listing the address books at " + url},
        [&](DavResponse&& response) {
            if (response.hasChild(kDavResourceType, kCardAddressBook) && found.size() < 10'000)
                found.push_back(std::move(response));
        },
        nullptr, &answer);
    if (!sent)
        return sent;
    const std::string base = answer.url.empty() ? url : answer.url;
    for (const DavResponse& response : found) {
        const DavProperty* name = response.find(kDavDisplayName);
        books.push_back({withSlash(ResolveUrl(base, response.href)), name ? name->text : ""});
    }
    return {};
}

// Failures after which another address is worth a try: this one is simply not the right one.
bool worthAnotherTry(const Result& result) {
    switch (result.failure()) {
    case Failure::NotFound:
    case Failure::Forbidden:
    case Failure::BadResponse:
        return true;
    default:
        return false;
    }
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool sameBook(const std::string& a, const std::string& b) {
    return HrefKey(a) == HrefKey(b);
}

} // namespace

std::string LastSegment(const std::string& url) {
    std::string path = HrefKey(url);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Result DiscoverAddressBooks(HttpClient& http, const std::string& url, const std::string& bookName,
                            Discovery& out) {
    out = Discovery{};
    const std::string start = withSlash(url);
    Probe here;
    Result looked = probe(http, start, here);
    bool triedWellKnown = false;
    std::string named; // the address book the URL itself names
    for (;;) {
        if (!looked && !worthAnotherTry(looked))
            return looked;
        if (looked) {
            if (here.isBook && named.empty())
                named = withSlash(here.url);
            if (out.homeUrl.empty())
                out.homeUrl = here.home;
            if (out.homeUrl.empty() && !here.principal.empty()) {
                Probe principal;
                Result asked = probe(http, here.principal, principal);
                // The book the address names is enough when its siblings cannot be looked for.
                if (!asked && (named.empty() || !worthAnotherTry(asked)))
                    return asked;
                out.principalUrl = here.principal;
                out.homeUrl = principal.home;
            }
        }
        if (!out.homeUrl.empty() || !named.empty() || triedWellKnown)
            break;
        // RFC 6764: the server's own pointer to where its CardDAV service is.
        triedWellKnown = true;
        Result wellKnown = probe(http, ResolveUrl(start, "/.well-known/carddav"), here);
        if (!wellKnown && !looked)
            return looked; // the reason the address itself gave
        looked = std::move(wellKnown);
    }

    if (!out.homeUrl.empty())
        if (Result listed = listBooks(http, out.homeUrl, out.books);
            !listed && (named.empty() || !worthAnotherTry(listed)))
            return listed;
    if (out.homeUrl.empty() && named.empty())
        // Perhaps the address is a home that does not say so.
        if (Result listed = listBooks(http, start, out.books); !listed && !worthAnotherTry(listed))
            return listed;
    if (!named.empty()) {
        const auto inList =
            std::find_if(out.books.begin(), out.books.end(),
                         [&](const AddressBookInfo& b) { return sameBook(b.url, named); });
        if (inList == out.books.end())
            out.books.insert(out.books.begin(), {named, here.isBook ? here.displayName : ""});
    }
    if (out.books.empty())
        return Result::Fail(Failure::NotFound, "No address book was found at " + url);

    if (!bookName.empty()) {
        const auto matches = [&](bool anyCase) {
            const auto same = [&](const std::string& a) {
                return anyCase ? lowerCase(a) == lowerCase(bookName) : a == bookName;
            };
            return std::find_if(out.books.begin(), out.books.end(), [&](const AddressBookInfo& b) {
                return same(b.displayName) || same(LastSegment(b.url));
            });
        };
        auto found = matches(false);
        if (found == out.books.end())
            found = matches(true);
        if (found == out.books.end()) {
            std::string names;
            for (const AddressBookInfo& book : out.books)
                names += (names.empty() ? "" : ", ") +
                         (book.displayName.empty() ? LastSegment(book.url) : book.displayName);
            return Result::Fail(Failure::NotFound, "No address book is named \"" + bookName +
                                                       "\"; the server has " + names);
        }
        out.chosen = static_cast<std::size_t>(found - out.books.begin());
        return {};
    }
    for (std::size_t i = 0; i < out.books.size(); ++i)
        if (!named.empty() && sameBook(out.books[i].url, named))
            out.chosen = i;
    return {};
}

} // namespace quenlark::sync
