// One address book on a CardDAV server, as the sync core sees it: what changed since the last
// look, the vCards themselves, and the three writes. The transport implements it over HTTP;
// tests implement it in memory.
#pragma once

#include "engine/result.h"

#include <functional>
#include <string>
#include <vector>

namespace quenlark::sync {

// A resource of the collection and the ETag it has now.
struct RemoteItem {
    std::string href;
    std::string etag;
};

// A fetched vCard. `problem` is a failure for this one contact (too large, not a vCard), in
// which case `vcard` is empty; the rest of a fetch goes on.
struct RemoteCard {
    std::string href;
    std::string etag;
    std::string vcard;
    Result problem;
};

struct CollectionChanges {
    // True when `changed` lists every resource of the collection (there was no token, or the
    // server refused it); the caller then treats every href it knows and not listed as gone.
    bool complete = false;
    std::vector<RemoteItem> changed;  // new or changed since the token (all of them if complete)
    std::vector<std::string> removed; // gone since the token
    std::string token;                // what to pass next time (a sync token or a ctag)
};

class CardDavCollection {
public:
    virtual ~CardDavCollection() = default;

    // What changed since `token` ("" for everything).
    virtual Result changesSince(const std::string& token, CollectionChanges& out) = 0;
    // The vCards of `hrefs`, in batches; `each` hears every one as it arrives, in any order.
    // A failure of the whole request is returned; a failure of one contact is its `problem`.
    virtual Result fetch(const std::vector<std::string>& hrefs,
                         const std::function<void(RemoteCard&&)>& each) = 0;
    // Creates a resource that must not exist yet (If-None-Match: *). `etag` receives the new
    // ETag, or "" when the server did not say.
    virtual Result create(const std::string& href, const std::string& vcard, std::string& etag) = 0;
    // Replaces a resource whose ETag is still `ifMatch`; a changed one fails (412).
    virtual Result update(const std::string& href, const std::string& vcard,
                          const std::string& ifMatch, std::string& etag) = 0;
    // Removes a resource whose ETag is still `ifMatch`.
    virtual Result remove(const std::string& href, const std::string& ifMatch) = 0;
    // The href a new contact with this UID gets in the collection.
    virtual std::string hrefFor(const std::string& uid) const = 0;
};

} // namespace quenlark::sync
