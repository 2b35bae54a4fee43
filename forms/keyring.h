// The CardDAV password in the desktop's keyring (Secret Service) through QtKeychain, under the
// names the command line reads (sync/keyringnames.h). Each call waits for its job.
#pragma once

#include "engine/result.h"

#include <QString>

namespace quenlark {

// NotFound when the keyring holds no password for the account; NoConnection when no keyring
// answers.
Result ReadKeyringPassword(const QString& user, const QString& url, QString& password);
Result StoreKeyringPassword(const QString& user, const QString& url, const QString& password);

} // namespace quenlark
