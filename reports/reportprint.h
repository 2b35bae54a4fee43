// Printing the report files with their formatting. The desktop's "print" verb reaches
// PrintReportFile through RegisterReportPrinters for every file that is an HTML or RTF
// document, whatever its name; it asks for a printer in a print dialog. The functions
// taking a QPrinter print on it as it is set up, without asking.
#pragma once

#include <QByteArrayView>
#include <QString>

class QPrinter;
class QTextDocument;

namespace quenlark {

// The kinds of document a report file can be printed as, told by the file's first bytes.
enum class PrintableKind { None, Html, RichText };

// An RTF document begins with "{\rtf". An HTML document begins, after white space (and a
// UTF-8 byte-order mark), with a comment, a doctype or one of the tags a page starts with
// (<html>, <head>, <body>, <br>, <font>, ...), in any case. Anything else, a vCard or a
// CSV file among them, is neither.
PrintableKind SniffPrintableKind(QByteArrayView head);

// Loads an HTML report file (Windows-1252 bytes) as formatted text. A rule (<HR>) stays
// where the page has it, between the blocks before and after it. False when the file
// cannot be read.
bool LoadHtmlReport(const QString& path, QTextDocument& document);
// Loads an RTF file through ReadRtf. False when it cannot be read or is not RTF.
bool LoadRichTextReport(const QString& path, QTextDocument& document);

// The margins reports are printed with unless the person sets others in the print
// dialog's page setup: 20 mm on each side, more where the printer cannot print that close
// to the edge of the paper.
void UseReportMargins(QPrinter& printer);

// Prints `document` page by page on `printer`, inside the printer's margins. Returns the
// number of pages printed, 0 when the printer could not be started or failed.
int PrintTextDocument(const QTextDocument& document, QPrinter* printer);

// Load and print a report file on `printer`; true once it is printed.
bool PrintHtmlReport(const QString& path, QPrinter* printer);
bool PrintRichTextReport(const QString& path, QPrinter* printer);

// Tells the kind of the file at `path`, loads it, asks for a printer in a print dialog
// (its page setup starting from UseReportMargins) and prints it there. False when the
// file is no HTML or RTF document or cannot be loaded, the dialog is cancelled or
// printing fails.
bool PrintReportFile(const QString& path);

// Registers PrintReportFile for HTML and RTF documents. Called once at start-up, before
// any report is printed.
void RegisterReportPrinters();

} // namespace quenlark
