#include "platform/storedtext.h"

#include "engine/codepage.h"

#include <QList>

namespace quenlark {

std::optional<std::string> ToStored(const QString& text) {
    std::string out;
    if (!Utf8ToCp1252(text.toStdString(), out))
        return std::nullopt;
    return out;
}

QString FromStored(std::string_view bytes) {
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

QString FirstUnstorableCharacter(const QString& text) {
    const QList<uint> ucs4 = text.toUcs4();
    for (const uint cp : ucs4)
        if (UnicodeToCp1252(cp) < 0)
            return QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
    return {};
}

} // namespace quenlark
