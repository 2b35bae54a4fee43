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
#include <QTextDocument>
#include <memory>
#include <optional>

namespace quenlark {

namespace {

constexpr qreal kDefaultMarginMm = 20.0;

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

using Loader = bool (*)(const QString&, QTextDocument&);

bool printWith(Loader load, const QString& path, QPrinter* printer) {
    QTextDocument document;
    return printer && load(path, document) && PrintTextDocument(document, printer) > 0;
}

bool askAndPrint(Loader load, const QString& path) {
    QTextDocument document;
    if (!load(path, document))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(path).fileName());
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintTextDocument(document, &printer) > 0;
}

} // namespace

bool LoadHtmlReport(const QString& path, QTextDocument& document) {
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return false;
    document.setHtml(FromStored(std::string_view(bytes->constData(), std::size_t(bytes->size()))));
    return true;
}

bool LoadRichTextReport(const QString& path, QTextDocument& document) {
    const std::optional<QByteArray> bytes = readFile(path);
    return bytes && ReadRtf(*bytes, document);
}

int PrintTextDocument(const QTextDocument& document, QPrinter* printer) {
    if (!printer)
        return 0;
    if (printer->pageLayout().margins(QPageLayout::Millimeter).isNull()) {
        const qreal m = kDefaultMarginMm;
        printer->setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Millimeter);
    }
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

bool PrintHtmlReportFile(const QString& path) {
    return askAndPrint(&LoadHtmlReport, path);
}

bool PrintRichTextReportFile(const QString& path) {
    return askAndPrint(&LoadRichTextReport, path);
}

void RegisterReportPrinters() {
    RegisterDocumentPrinter(QStringLiteral("html"), &PrintHtmlReportFile);
    RegisterDocumentPrinter(QStringLiteral("htm"), &PrintHtmlReportFile);
    RegisterDocumentPrinter(QStringLiteral("rtf"), &PrintRichTextReportFile);
}

} // namespace quenlark
