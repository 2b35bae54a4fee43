// Finding the address book from whatever URL the person knows: the server's root (RFC 6764
// /.well-known/carddav, then current-user-principal and addressbook-home-set), their
// principal, their address book home, or the address book itself.
#pragma once

#include "engine/result.h"
#include "sync/httpclient.h"

#include <string>
#include <vector>

namespace quenlark::sync {

struct AddressBookInfo {
    std::string url; // absolute, ending in "/"
    std::string displayName;
};

struct Discovery {
    std::vector<AddressBookInfo> books; // every address book found, the home's order
    std::size_t chosen = 0;             // the one to sync, an index into books
    std::string principalUrl;           // "" when the server named none
    std::string homeUrl;                // "" when the server named none
};

// Looks for the address books from `url` and chooses one: the one `bookName` names (its display
// name or the last segment of its path), else the one `url` names itself, else the first.
// Connects with the client's credentials, so a wrong password fails here (WrongPassword).
Result DiscoverAddressBooks(HttpClient& http, const std::string& url, const std::string& bookName,
                            Discovery& out);

// The last segment of an address book's path, %XX decoded ("contacts" for ".../contacts/").
std::string LastSegment(const std::string& url);

} // namespace quenlark::sync
