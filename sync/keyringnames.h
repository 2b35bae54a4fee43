// Where the CardDAV password lies in the desktop's keyring (Secret Service). The window stores
// it with QtKeychain, the command line reads it with libsecret; both use these names.
//
// QtKeychain (0.13, libsecret back end) writes a password job's service and key as the item's
// attributes "server" and "user", with "type" "plaintext" for text, under the schema
// "org.qt.keychain"; the item's secret is the password itself.
#pragma once

#include <string>

namespace quenlark::sync {

// QtKeychain's service name (WritePasswordJob's constructor argument).
inline constexpr char kKeyringService[] = "Quenlark Address Book CardDAV";
// The schema and attributes as QtKeychain writes them, for readers without QtKeychain.
inline constexpr char kKeyringSchema[] = "org.qt.keychain";
inline constexpr char kKeyringServiceAttribute[] = "server";
inline constexpr char kKeyringKeyAttribute[] = "user";
inline constexpr char kKeyringTypeAttribute[] = "type";
inline constexpr char kKeyringTextType[] = "plaintext";

// QtKeychain's key (setKey()) for an account: the user name and the address given at set-up
// exactly as the settings keep it ("Sync URL"): "alice@https://cloud.example.com/remote.php/dav".
inline std::string KeyringKey(const std::string& user, const std::string& url) {
    return user + "@" + url;
}

} // namespace quenlark::sync
