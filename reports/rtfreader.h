// A small RTF reader that turns a rich-text document into a QTextDocument, for showing
// and printing the rich-text report (and reasonable RTF from elsewhere).
#pragma once

#include <QByteArray>

class QTextDocument;

namespace quenlark {

// Replaces the content of `document` by the RTF document `rtf`. Understood: groups,
// paragraphs (\par, \sect, \row), \line, \tab, \cell, bold, italic, underline and
// strike-through (\b \i \ul \ulnone \strike, with 0 to switch off), sizes (\fs),
// fonts (\f and \deff with the font table), \plain, \pard with the alignments \ql \qc
// \qr \qj, characters given as \'xx (Windows-1252), \uN with \ucN, the escapes \\ \{ \}
// and the usual symbol words (\~, \emdash, \bullet, quotes). Colour and style tables,
// pictures, headers, footers, document information, \* destinations and other control
// words are skipped. An empty paragraph takes the size and weight in force at its
// \par. Returns false, leaving the document empty, when `rtf` does not start with
// "{\rtf"; a document cut short keeps what was read.
bool ReadRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace quenlark
