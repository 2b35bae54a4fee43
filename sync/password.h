// The CardDAV password for the command line, from the first place that has it: the environment
// variable QUENLARK_SYNC_PASSWORD, the desktop's keyring (where the window stores it), or
// standard input when that is not a terminal. It is never written anywhere.
#pragma once

#include "engine/result.h"

#include <string>

namespace quenlark::sync {

enum class PasswordSource { Environment, Keyring, StandardInput };

// Where a password came from, in words ("the keyring").
const char* DescribeSource(PasswordSource source);

// Looks in the three places in turn; a failure (NotFound) says where it looked.
Result FindPassword(const std::string& user, const std::string& url, std::string& password,
                    PasswordSource& source);

// The keyring alone: true with the password when the Secret Service has the item QtKeychain
// stores for that account; false when it has none or there is no keyring to ask.
bool ReadKeyringPassword(const std::string& user, const std::string& url, std::string& password);

} // namespace quenlark::sync
