// Printing the report files with their formatting. The desktop's "print" verb reaches
// PrintHtmlReportFile or PrintRichTextReportFile through RegisterReportPrinters; both
// ask for a printer in a print dialog. The functions taking a QPrinter print without
// asking.
#pragma once

#include <QString>

class QPrinter;
class QTextDocument;

namespace quenlark {

// Loads an HTML report file (Windows-1252 bytes) as formatted text. False when the file
// cannot be read.
bool LoadHtmlReport(const QString& path, QTextDocument& document);
// Loads an RTF file through ReadRtf. False when it cannot be read or is not RTF.
bool LoadRichTextReport(const QString& path, QTextDocument& document);

// Prints `document` page by page on `printer`; a page without margins gets 2 cm on each
// side. Returns the number of pages printed, 0 when the printer could not be started
// or failed.
int PrintTextDocument(const QTextDocument& document, QPrinter* printer);

// Load and print a report file on `printer`; true once it is printed.
bool PrintHtmlReport(const QString& path, QPrinter* printer);
bool PrintRichTextReport(const QString& path, QPrinter* printer);

// Load a report file, ask for a printer in a print dialog and print it there. False
// when the file cannot be loaded, the dialog is cancelled or printing fails.
bool PrintHtmlReportFile(const QString& path);
bool PrintRichTextReportFile(const QString& path);

// Registers the printers above for the extensions "html", "htm" and "rtf". Called once
// at start-up, before any report is printed.
void RegisterReportPrinters();

} // namespace quenlark
