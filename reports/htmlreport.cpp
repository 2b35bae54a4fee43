#include "reports/htmlreport.h"

#include "engine/contactrecord.h"
#include "interchange/textcodec.h"
#include "reports/reportcomposer.h"

#include <QIODevice>

namespace quenlark {

namespace {

constexpr char kEol[] = "\r\n";

constexpr std::array<const char*, kReportFieldCount> kHtmlLabels{{
    nullptr, // the name is the block's heading
    "<b>E-Mail:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Seccond E-Mail:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Nickname:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Web Site:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Phone number:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Mobile number:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Address:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>City:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Zip code:</b> &nbsp;&nbsp;&nbsp; ",
    "<b>Country:</b> &nbsp;&nbsp;&nbsp; ",
}};

constexpr const char* kHead[] = {
    "<!-- Created with Quenlark Address Book 2.4 Report Gen.",
    "Feel free to edit this file (and remove this comment if you want).-->",
    "<HTML>",
    "<HEAD>",
    "  <TITLE>Quenlark Address Book Report</TITLE>",
    "  <STYLE> BODY { font-family: Tahoma, Arial; font-size:8pt; } </STYLE>",
    "</HEAD>",
    "",
    "<BODY>",
    "",
};

constexpr const char* kTail[] = {"</BODY>", "</HTML>"};

class HtmlComposer : public ReportComposer {
public:
    explicit HtmlComposer(const ReportFields& fields) : fields_(fields) {}

    void head(std::string& out) override {
        for (const char* line : kHead) {
            out += line;
            out += kEol;
        }
    }
    // "<BR>", the contact's line, "<HR>".
    void contact(std::string& out, const ContactRecord& record) override {
        out += "<BR>";
        out += kEol;
        if (fields_.has(ReportField::Name)) {
            out += "<font size=\"5\"><B>";
            AppendXmlEscaped(out, ReportFieldValue(record, ReportField::Name));
            out += "</B></FONT>";
        }
        out += "<blockquote>";
        for (std::size_t i = 1; i < kReportFieldCount; ++i) {
            const auto field = static_cast<ReportField>(i);
            if (!fields_.has(field))
                continue;
            out += kHtmlLabels[i];
            AppendXmlEscaped(out, ReportFieldValue(record, field));
            out += "<br>";
        }
        out += "</blockquote>";
        out += kEol;
        out += "<HR>";
        out += kEol;
    }
    void tail(std::string& out) override {
        for (const char* line : kTail) {
            out += line;
            out += kEol;
        }
    }

private:
    ReportFields fields_;
};

} // namespace

std::unique_ptr<ReportComposer> MakeHtmlComposer(const ReportFields& fields) {
    return std::make_unique<HtmlComposer>(fields);
}

QByteArray HtmlEscaped(const QByteArray& text) {
    std::string out;
    AppendXmlEscaped(out, std::string_view(text.data(), std::size_t(text.size())));
    return QByteArray::fromStdString(out);
}

QByteArray BuildHtmlReport(std::span<const ContactRecord> contacts, const ReportFields& fields) {
    HtmlComposer composer(fields);
    std::string html;
    composer.head(html);
    for (const ContactRecord& record : contacts)
        composer.contact(html, record);
    composer.tail(html);
    return QByteArray::fromStdString(html);
}

bool WriteHtmlReport(QIODevice& out, std::span<const ContactRecord> contacts,
                     const ReportFields& fields) {
    const QByteArray html = BuildHtmlReport(contacts, fields);
    return out.write(html) == html.size();
}

} // namespace quenlark
