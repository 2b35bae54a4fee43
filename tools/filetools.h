// Hands a document or an address to the desktop with a verb.
#pragma once

#include <QString>

namespace quenlark {

// "open" or "print"; true when the desktop accepted the request.
bool ShellLaunch(const QString& operation, const QString& fileName);

} // namespace quenlark
