// The application's standard error report, and the application title it carries. The title
// is not Qt's application display name: Qt would append that to every window's title.
#pragma once

#include <QString>

namespace quenlark {

inline constexpr char kApplicationTitle[] = "Quenlark Address Book 2.4.2";

// The message as the report shows it: a full stop is added when the last character
// sorts after ".".
QString StandardErrorText(const QString& message);
// Shows the message in an error box titled with the application title, with OK.
void ShowStandardError(const QString& message);

} // namespace quenlark
