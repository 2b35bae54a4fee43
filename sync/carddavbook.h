// One address book on a CardDAV server over HTTP: the sync-collection REPORT (RFC 6578) for
// what changed, with a PROPFIND listing of ETags (and getctag) when the server lacks it or
// refuses the token; addressbook-multiget in batches; PUT and DELETE guarded by ETags.
//
// Tokens handed out are "sync:<server token>" or "ctag:<ctag>" ("" when the server has
// neither); any other token is taken as a server sync token.
#pragma once

#include "sync/carddavcollection.h"
#include "sync/httpclient.h"
#include "sync/multistatus.h"

#include <cstddef>
#include <string>

namespace quenlark::sync {

// How many vCards one addressbook-multiget asks for.
inline constexpr std::size_t kMultigetBatch = 100;

class CardDavBook final : public CardDavCollection {
public:
    // `collectionUrl`: the address book's absolute URL (a trailing slash is added).
    CardDavBook(HttpClient& http, std::string collectionUrl, std::size_t cardLimit = kCardLimit);

    Result changesSince(const std::string& token, CollectionChanges& out) override;
    Result fetch(const std::vector<std::string>& hrefs,
                 const std::function<void(RemoteCard&&)>& each) override;
    // A 412 (the href exists already) fails with ChangedOnServer. An empty `ifMatch` below
    // (the server gave no ETag) asks only that the resource still exists ("If-Match: *").
    Result create(const std::string& href, const std::string& vcard, std::string& etag) override;
    Result update(const std::string& href, const std::string& vcard, const std::string& ifMatch,
                  std::string& etag) override;
    // A resource already gone fails with NotFound; one changed since `ifMatch` with
    // ChangedOnServer.
    Result remove(const std::string& href, const std::string& ifMatch) override;
    std::string hrefFor(const std::string& uid) const override;

    const std::string& url() const { return url_; }

private:
    // RFC 6578; `refused` is set when the server does not take the report or the token.
    Result syncReport(const std::string& serverToken, CollectionChanges& out, bool& refused);
    Result listAll(CollectionChanges& out);
    Result currentCtag(std::string& ctag, std::string& syncToken);
    Result put(const std::string& href, const std::string& vcard,
               std::pair<std::string, std::string> condition, const std::string& what,
               std::string& etag);
    std::string urlOf(const std::string& href) const;
    bool isCollection(const std::string& href) const;

    HttpClient& http_;
    std::string url_;
    std::string path_;
    std::size_t cardLimit_;
};

} // namespace quenlark::sync
