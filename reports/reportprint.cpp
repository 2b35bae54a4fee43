#include "reports/reportprint.h"

#include "platform/storedtext.h"
#include "platform/uiseam.h"
#include "reports/rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <array>
#include <memory>
#include <optional>

namespace quenlark {

namespace {

constexpr qreal kReportMarginMm = 20.0;

// What an HTML document may begin with, upper case, each followed by white space or ">".
constexpr std::array<std::string_view, 17> kHtmlOpenings{{
    "<!DOCTYPE HTML",
    "<HTML",
    "<HEAD",
    "<SCRIPT",
    "<IFRAME",
    "<H1",
    "<DIV",
    "<FONT",
    "<TABLE",
    "<A",
    "<STYLE",
    "<TITLE",
    "<B",
    "<BODY",
    "<BR",
    "<P",
    "<!--",
}};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool opensWith(QByteArrayView text, std::string_view opening) {
    if (text.size() <= qsizetype(opening.size()))
        return false;
    for (std::size_t i = 0; i < opening.size(); ++i)
        if (upper(text[qsizetype(i)]) != opening[i])
            return false;
    const char next = text[qsizetype(opening.size())];
    return isBlank(next) || next == '>';
}

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Qt puts the text that follows an <HR> into the rule's own block, and draws the rule
// below that block: the next contact's heading would sit above the rule that ends the
// contact before it. The text moves to a block of its own after the rule.
void keepRulesBetweenBlocks(QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() > 1 &&
            block.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
            QTextCursor cursor(block);
            cursor.insertBlock(QTextBlockFormat(), block.charFormat());
        }
    }
}

void setHtmlReport(const QByteArray& bytes, QTextDocument& document) {
    document.setHtml(FromStored(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
    keepRulesBetweenBlocks(document);
}

bool loadReport(const QString& path, QTextDocument& document) {
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return false;
    switch (SniffPrintableKind(*bytes)) {
    case PrintableKind::Html:
        setHtmlReport(*bytes, document);
        return true;
    case PrintableKind::RichText:
        return ReadRtf(*bytes, document);
    case PrintableKind::None:
        break;
    }
    return false;
}

using Loader = bool (*)(const QString&, QTextDocument&);

bool printWith(Loader load, const QString& path, QPrinter* printer) {
    QTextDocument document;
    return printer && load(path, document) && PrintTextDocument(document, printer) > 0;
}

bool isPrintableReport(QByteArrayView head) {
    return SniffPrintableKind(head) != PrintableKind::None;
}

} // namespace

PrintableKind SniffPrintableKind(QByteArrayView head) {
    if (head.startsWith("{\\rtf"))
        return PrintableKind::RichText;
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    while (!head.isEmpty() && isBlank(head.front()))
        head = head.sliced(1);
    for (const std::string_view opening : kHtmlOpenings)
        if (opensWith(head, opening))
            return PrintableKind::Html;
    return PrintableKind::None;
}

bool LoadHtmlReport(const QString& path, QTextDocument& document) {
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return false;
    setHtmlReport(*bytes, document);
    return true;
}

bool LoadRichTextReport(const QString& path, QTextDocument& document) {
    const std::optional<QByteArray> bytes = readFile(path);
    return bytes && ReadRtf(*bytes, document);
}

void UseReportMargins(QPrinter& printer) {
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF least = layout.minimumMargins();
    const qreal m = kReportMarginMm;
    printer.setPageMargins(QMarginsF(qMax(m, least.left()), qMax(m, least.top()),
                                     qMax(m, least.right()), qMax(m, least.bottom())),
                           QPageLayout::Millimeter);
}

int PrintTextDocument(const QTextDocument& document, QPrinter* printer) {
    if (!printer)
        return 0;
    QPainter painter;
    if (!painter.begin(printer))
        return 0;
    // Lay a copy out on the printer's pages, in its resolution.
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(printer);
    const QSizeF page(printer->width(), printer->height());
    copy->setPageSize(page);
    const int pages = copy->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer->newPage()) {
            painter.end();
            return 0;
        }
        painter.save();
        painter.translate(0, -i * page.height());
        copy->drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
        painter.restore();
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        return 0;
    return pages;
}

bool PrintHtmlReport(const QString& path, QPrinter* printer) {
    return printWith(&LoadHtmlReport, path, printer);
}

bool PrintRichTextReport(const QString& path, QPrinter* printer) {
    return printWith(&LoadRichTextReport, path, printer);
}

bool PrintReportFile(const QString& path) {
    QTextDocument document;
    if (!loadReport(path, document))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(path).fileName());
    // The dialog's page setup starts from these and hands back what the person sets.
    UseReportMargins(printer);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintTextDocument(document, &printer) > 0;
}

void RegisterReportPrinters() {
    RegisterDocumentPrinter(&isPrintableReport, &PrintReportFile);
}

} // namespace quenlark
