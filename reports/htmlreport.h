// The HTML report: a fixed head, one block of three lines per contact, a fixed tail.
// Windows-1252 bytes, every line ending in CR LF, no byte-order mark.
#pragma once

#include "engine/reportfields.h"

#include <QByteArray>
#include <span>

class QIODevice;

namespace quenlark {

struct ContactRecord;

// The whole report for `contacts`, in their order. Every field value is escaped
// (& < > ") so that no contact can add markup to the page.
QByteArray BuildHtmlReport(std::span<const ContactRecord> contacts, const ReportFields& fields);

// Writes BuildHtmlReport in one write; false when the device took less than all of it.
bool WriteHtmlReport(QIODevice& out, std::span<const ContactRecord> contacts,
                     const ReportFields& fields);

// `text` with &, <, > and " replaced by their character references.
QByteArray HtmlEscaped(const QByteArray& text);

} // namespace quenlark
