// Conversion between the GUI's text and the Windows-1252 bytes the database holds.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace quenlark {

// The stored bytes for a text, or nothing when the text holds a character the database
// cannot keep (the caller refuses it; nothing is ever stored altered).
std::optional<std::string> ToStored(const QString& text);
QString FromStored(std::string_view bytes);
// The first character of `text` that cannot be stored, or an empty string.
QString FirstUnstorableCharacter(const QString& text);

} // namespace quenlark
