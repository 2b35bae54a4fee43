#include "reports/rtfreport.h"

#include "engine/contactrecord.h"
#include "reports/reportcomposer.h"

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

void appendEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
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
}

void appendSize(std::string& out, int halfPoints) {
    out += "\\fs";
    out += std::to_string(halfPoints);
}

class RichTextComposer : public ReportComposer {
public:
    explicit RichTextComposer(const ReportFields& fields) : fields_(fields) {}

    void head(std::string& out) override {
        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Tahoma;}}\r\n";
        out += "\\uc1\\pard\\plain\\f0";
        appendSize(out, kFieldSize);
        out += kPar;
    }
    // Control words are always followed by one space before text; that space only ends
    // the control word, so the text after it keeps its own leading spaces.
    void contact(std::string& out, const ContactRecord& record) override {
        if (fields_.has(ReportField::Name)) {
            out += "\\b";
            appendSize(out, kNameSize);
            out += ' ';
            appendEscaped(out, ReportFieldValue(record, ReportField::Name));
            out += kPar;
            out += kPar;
        }
        out += "\\b0";
        appendSize(out, kFieldSize);
        for (std::size_t i = 1; i < kReportFieldCount; ++i) {
            const auto field = static_cast<ReportField>(i);
            if (!fields_.has(field))
                continue;
            out += "\\b ";
            out += kIndent;
            out += kRtfLabels[i];
            out += "\\b0 ";
            out += kIndent;
            appendEscaped(out, ReportFieldValue(record, field));
            out += kPar;
        }
        out += kPar;
        out += kPar;
    }
    void tail(std::string& out) override { out += "}\r\n"; }

private:
    ReportFields fields_;
};

} // namespace

std::unique_ptr<ReportComposer> MakeRichTextComposer(const ReportFields& fields) {
    return std::make_unique<RichTextComposer>(fields);
}

QByteArray RtfEscaped(const QByteArray& text) {
    std::string out;
    appendEscaped(out, std::string_view(text.data(), std::size_t(text.size())));
    return QByteArray::fromStdString(out);
}

QByteArray BuildRichTextReport(std::span<const ContactRecord> contacts,
                               const ReportFields& fields) {
    RichTextComposer composer(fields);
    std::string rtf;
    composer.head(rtf);
    for (const ContactRecord& record : contacts)
        composer.contact(rtf, record);
    composer.tail(rtf);
    return QByteArray::fromStdString(rtf);
}

bool WriteRichTextReport(QIODevice& out, std::span<const ContactRecord> contacts,
                         const ReportFields& fields) {
    const QByteArray rtf = BuildRichTextReport(contacts, fields);
    return out.write(rtf) == rtf.size();
}

} // namespace quenlark
