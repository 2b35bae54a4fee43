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
    // Every character of the code page lies in the first plane: one QChar per byte.
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
        *out++ = QChar(char16_t(Cp1252ToUnicode(static_cast<unsigned char>(c))));
    return text;
}

QString FirstUnstorableCharacter(const QString& text) {
    const QList<uint> ucs4 = text.toUcs4();
    for (const uint cp : ucs4)
        if (UnicodeToCp1252(cp) < 0)
            return QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
    return {};
}

} // namespace quenlark
