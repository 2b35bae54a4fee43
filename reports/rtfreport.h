// The rich-text report as an RTF document in font Tahoma: an empty 8-point paragraph,
// then per contact a 14-point bold name with an empty 14-point paragraph, one paragraph
// per chosen field (bold label, regular value, each after four spaces) and two empty
// 8-point paragraphs; the document ends with an empty 8-point paragraph.
#pragma once

#include "engine/reportfields.h"

#include <QByteArray>
#include <span>

class QIODevice;

namespace quenlark {

struct ContactRecord;

// The whole document for `contacts`, in their order. Text is written as the
// Windows-1252 bytes, those outside printable ASCII as \'xx; \, { and } in any value
// are escaped so that no contact can change the document's structure.
QByteArray BuildRichTextReport(std::span<const ContactRecord> contacts, const ReportFields& fields);

// Writes BuildRichTextReport in one write; false when the device took less than all of it.
bool WriteRichTextReport(QIODevice& out, std::span<const ContactRecord> contacts,
                         const ReportFields& fields);

// Windows-1252 `text` as RTF text: \, { and } escaped, other bytes outside printable
// ASCII as \'xx.
QByteArray RtfEscaped(const QByteArray& text);

} // namespace quenlark
