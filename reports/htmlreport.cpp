#include "reports/htmlreport.h"

#include "engine/contactrecord.h"

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

QByteArray escapedValue(const ContactRecord& record, ReportField field) {
    const std::string value = ReportFieldValue(record, field);
    return HtmlEscaped(QByteArray(value.data(), qsizetype(value.size())));
}

QByteArray contactLine(const ContactRecord& record, const ReportFields& fields) {
    QByteArray line;
    if (fields.has(ReportField::Name))
        line += "<font size=\"5\"><B>" + escapedValue(record, ReportField::Name) + "</B></FONT>";
    line += "<blockquote>";
    for (std::size_t i = 1; i < kReportFieldCount; ++i) {
        const auto field = static_cast<ReportField>(i);
        if (fields.has(field))
            line += kHtmlLabels[i] + escapedValue(record, field) + "<br>";
    }
    line += "</blockquote>";
    return line;
}

} // namespace

QByteArray HtmlEscaped(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray BuildHtmlReport(std::span<const ContactRecord> contacts, const ReportFields& fields) {
    QByteArray html;
    for (const char* line : kHead)
        html += QByteArray(line) + kEol;
    for (const ContactRecord& record : contacts) {
        html += QByteArray("<BR>") + kEol;
        html += contactLine(record, fields) + kEol;
        html += QByteArray("<HR>") + kEol;
    }
    for (const char* line : kTail)
        html += QByteArray(line) + kEol;
    return html;
}

bool WriteHtmlReport(QIODevice& out, std::span<const ContactRecord> contacts,
                     const ReportFields& fields) {
    const QByteArray html = BuildHtmlReport(contacts, fields);
    return out.write(html) == html.size();
}

} // namespace quenlark
