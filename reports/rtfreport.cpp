#include "reports/rtfreport.h"

#include "engine/contactrecord.h"

#include <QIODevice>

namespace quenlark {

namespace {

// Half-point sizes.
constexpr int kNameSize = 28;
constexpr int kFieldSize = 16;

constexpr std::array<const char*, kReportFieldCount> kRtfLabels{{
    nullptr, // the name is the block's heading
    "E-Mail:",
    "Seccond E-Mail:",
    "Nickname:",
    "Web site:",
    "Phone number:",
    "Mobile number:",
    "Address:",
    "City:",
    "Zip code:",
    "Country:",
}};

constexpr char kIndent[] = "    ";
constexpr char kPar[] = "\\par\r\n";

QByteArray escapedValue(const ContactRecord& record, ReportField field) {
    const std::string value = ReportFieldValue(record, field);
    return RtfEscaped(QByteArray(value.data(), qsizetype(value.size())));
}

QByteArray sizeWord(int halfPoints) {
    return "\\fs" + QByteArray::number(halfPoints);
}

// Control words are always followed by one space before text; that space only ends
// the control word, so the text after it keeps its own leading spaces.
QByteArray contactBlock(const ContactRecord& record, const ReportFields& fields) {
    QByteArray block;
    if (fields.has(ReportField::Name)) {
        block += "\\b" + sizeWord(kNameSize) + ' ' + escapedValue(record, ReportField::Name);
        block += kPar;
        block += kPar;
    }
    block += "\\b0" + sizeWord(kFieldSize);
    for (std::size_t i = 1; i < kReportFieldCount; ++i) {
        const auto field = static_cast<ReportField>(i);
        if (!fields.has(field))
            continue;
        block += QByteArray("\\b ") + kIndent + kRtfLabels[i];
        block += QByteArray("\\b0 ") + kIndent + escapedValue(record, field);
        block += kPar;
    }
    block += kPar;
    block += kPar;
    return block;
}

} // namespace

QByteArray RtfEscaped(const QByteArray& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            out += "\\'";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray BuildRichTextReport(std::span<const ContactRecord> contacts,
                               const ReportFields& fields) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                     "Tahoma;}}\r\n";
    rtf += "\\uc1\\pard\\plain\\f0" + sizeWord(kFieldSize) + kPar;
    for (const ContactRecord& record : contacts)
        rtf += contactBlock(record, fields);
    rtf += "}\r\n";
    return rtf;
}

bool WriteRichTextReport(QIODevice& out, std::span<const ContactRecord> contacts,
                         const ReportFields& fields) {
    const QByteArray rtf = BuildRichTextReport(contacts, fields);
    return out.write(rtf) == rtf.size();
}

} // namespace quenlark
