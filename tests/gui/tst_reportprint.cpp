// Printing report files with their formatting, to PDF through QPrinter; which files the
// "print" verb prints, and how.
#include "engine/contactrecord.h"
#include "platform/uiseam.h"
#include "reportdata.h"
#include "reports/reportfile.h"
#include "reports/reportprint.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <optional>
#include <vector>

using namespace quenlark;
using namespace quenlark::test;

namespace {

std::vector<ContactRecord> contacts(int count) {
    std::vector<ContactRecord> list(std::size_t(count), ContactRecord{});
    for (int i = 0; i < count; ++i) {
        ContactRecord& record = list[std::size_t(i)];
        record.setText(Field::Name, i == 0 ? "Ann Lee" : "Zo\xEB Contact");
        for (std::size_t f = 1; f < kFieldCount; ++f)
            record.setText(static_cast<Field>(f), "Hamilton");
        record.setCountry(146);
    }
    return list;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int pdfPageCount(const QByteArray& pdf) {
    return int(
        QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))));
}

bool pdfUsesBoldFont(const QByteArray& pdf) {
    return QRegularExpression(QStringLiteral("/BaseFont\\s*/[A-Z]*\\+?[^/\\s]*Bold"))
        .match(QString::fromLatin1(pdf))
        .hasMatch();
}

// A printer set up as the print dialog starts, printing to a PDF file.
struct PdfPrinter {
    QString path;
    QPrinter printer{QPrinter::HighResolution};
    explicit PdfPrinter(const QString& file) : path(file) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        UseReportMargins(printer);
    }
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString pdftotext() {
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

// The left and top edges, in millimetres from the paper's edges, of the text that
// pdftotext finds on the first page of a PDF.
std::optional<QPointF> textOrigin(const QString& pdf) {
    QProcess extract;
    extract.start(pdftotext(), {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1"),
                                pdf, QStringLiteral("-")});
    if (!extract.waitForFinished(30000))
        return std::nullopt;
    const QString html = QString::fromUtf8(extract.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""));
    std::optional<QPointF> origin;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QPointF at(m.captured(1).toDouble(), m.captured(2).toDouble());
        origin = origin ? QPointF(qMin(origin->x(), at.x()), qMin(origin->y(), at.y())) : at;
    }
    if (origin)
        *origin *= 25.4 / 72.0; // points to millimetres
    return origin;
}

// The blocks of a document as "R" for an empty block under a rule, "r" for a rule under
// text, and otherwise the block's text.
QStringList blocksAndRules(const QTextDocument& document) {
    QStringList out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const bool rule =
            b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
        QString text = b.text().replace(QChar::LineSeparator, QLatin1Char('|'));
        out << (rule ? (text.isEmpty() ? QStringLiteral("R") : QStringLiteral("r ") + text) : text);
    }
    return out;
}

// Counts print dialogs that open, checks the margins they start from and cancels them.
class PrintDialogCanceller : public QObject {
public:
    PrintDialogCanceller() {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++dialogs;
            leastMarginMm = 1000;
            const QMarginsF m = dialog->printer()->pageLayout().margins(QPageLayout::Millimeter);
            for (const qreal side : {m.left(), m.top(), m.right(), m.bottom()})
                leastMarginMm = qMin(leastMarginMm, side);
            dialog->reject();
        });
        timer_.start(20);
    }
    int dialogs = 0;
    qreal leastMarginMm = 0;

private:
    QTimer timer_;
};

} // namespace

class TestReportPrint : public QObject {
    Q_OBJECT
private slots:
    void sniffsTheKindOfDocument_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        const int html = int(PrintableKind::Html), rtf = int(PrintableKind::RichText),
                  none = int(PrintableKind::None);
        QTest::newRow("report head") << QByteArray("<!-- Created with Quenlark") << html;
        QTest::newRow("doctype") << QByteArray("<!doctype html>\n<html>") << html;
        QTest::newRow("edited, lower case") << QByteArray("\r\n  <html><body>") << html;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF<HTML>") << html;
        QTest::newRow("body only") << QByteArray("<BR>\r\n<font size=\"5\">") << html;
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi") << rtf;
        QTest::newRow("vcard") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0") << none;
        QTest::newRow("csv") << QByteArray("Name,E-Mail Address\r\n\"<b>\",x") << none;
        QTest::newRow("xml") << QByteArray("<?xml version=\"1.0\"?>") << none;
        QTest::newRow("tag-like word") << QByteArray("<BRIDGE>") << none;
        QTest::newRow("cut short") << QByteArray("<html") << none;
        QTest::newRow("rtf after blanks") << QByteArray(" {\\rtf1") << none;
        QTest::newRow("empty") << QByteArray() << none;
    }

    void sniffsTheKindOfDocument() {
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        QCOMPARE(int(SniffPrintableKind(head)), kind);
    }

    // The report dialog may save a report under any name, and writes contacts files too:
    // what a file holds decides whether and how it is printed.
    void printerIsChosenByContentNotName() {
        RegisterReportPrinters();
        QTemporaryDir dir;
        const QString htmlAsText = dir.filePath(QStringLiteral("plain.txt"));
        QVERIFY(SaveReportFile(htmlAsText, ReportFormat::Html, contacts(1), ReportFields::All()));
        const QString rtfAsDoc = dir.filePath(QStringLiteral("report.doc"));
        QVERIFY(SaveReportFile(rtfAsDoc, ReportFormat::RichText, contacts(1), ReportFields::All()));
        const QString vcardAsHtml = dir.filePath(QStringLiteral("contacts.html"));
        QVERIFY(
            SaveReportFile(vcardAsHtml, ReportFormat::VCard3, contacts(1), ReportFields::All()));
        const QString csv = dir.filePath(QStringLiteral("contacts.htm"));
        QVERIFY(SaveReportFile(csv, ReportFormat::Csv, contacts(1), ReportFields::All()));
        const QString empty = dir.filePath(QStringLiteral("empty.rtf"));
        writeFile(empty, QByteArray());

        QVERIFY(DocumentPrinterFor(htmlAsText) == &PrintReportFile);
        QVERIFY(DocumentPrinterFor(rtfAsDoc) == &PrintReportFile);
        QVERIFY(DocumentPrinterFor(vcardAsHtml) == nullptr);
        QVERIFY(DocumentPrinterFor(csv) == nullptr);
        QVERIFY(DocumentPrinterFor(empty) == nullptr);
        QVERIFY(DocumentPrinterFor(dir.filePath(QStringLiteral("missing.html"))) == nullptr);

        // Through the desktop seam, as the report dialog asks: a print dialog for the
        // reports, starting from the report margins; nothing at all for contacts files.
        QtUiSeam desktop;
        PrintDialogCanceller canceller;
        QVERIFY(!desktop.launch(QStringLiteral("print"), htmlAsText));
        QCOMPARE(canceller.dialogs, 1);
        QVERIFY2(canceller.leastMarginMm >= 15,
                 qPrintable(QString::number(canceller.leastMarginMm)));
        QVERIFY(!desktop.launch(QStringLiteral("print"), rtfAsDoc));
        QCOMPARE(canceller.dialogs, 2);
        QVERIFY(!desktop.launch(QStringLiteral("print"), vcardAsHtml));
        QVERIFY(!desktop.launch(QStringLiteral("print"), csv));
        QCOMPARE(canceller.dialogs, 2);
    }

    // Qt draws a rule under the block that holds it; the heading that follows an <HR>
    // must not share the rule's block, or the rule is printed under the next name.
    void rulesStayBetweenContactBlocks() {
        QTemporaryDir dir;
        const QString report = dir.filePath(QStringLiteral("r.html"));
        const std::vector<ContactRecord> two = {
            ReportContact("Ann Lee", {{Field::City, "Hamilton"}}),
            ReportContact("Bob Zed", {{Field::City, "Nelson"}})};
        QVERIFY(SaveReportFile(report, ReportFormat::Html, two,
                               OnlyFields({ReportField::Name, ReportField::City})));
        QTextDocument document;
        QVERIFY(LoadHtmlReport(report, document));
        QStringList blocks = blocksAndRules(document);
        for (QString& b : blocks)
            b = b.simplified();
        QCOMPARE(blocks, (QStringList{"|Ann Lee", "City: Hamilton|", "R", "|Bob Zed",
                                      "City: Nelson|", "R"}));

        // And on the page: Ann's block, the rule, then Bob's heading, top to bottom.
        document.setTextWidth(500);
        QAbstractTextDocumentLayout* layout = document.documentLayout();
        const QTextBlock annCity = document.findBlockByNumber(1);
        const QTextBlock rule = document.findBlockByNumber(2);
        const QTextBlock bob = document.findBlockByNumber(3);
        QVERIFY(layout->blockBoundingRect(annCity).bottom() <=
                layout->blockBoundingRect(rule).top());
        QVERIFY(layout->blockBoundingRect(rule).bottom() <= layout->blockBoundingRect(bob).top());
    }

    void printsInsideTheReportMargins() {
        if (pdftotext().isEmpty())
            QSKIP("pdftotext is not installed; the text's place on the page is not measured");
        QTemporaryDir dir;
        const QString report = dir.filePath(QStringLiteral("r.html"));
        QVERIFY(SaveReportFile(report, ReportFormat::Html, contacts(1), ReportFields::All()));

        // A new printer, whatever margins the printer itself would start from.
        PdfPrinter standard(dir.filePath(QStringLiteral("standard.pdf")));
        QVERIFY(PrintHtmlReport(report, &standard.printer));
        const std::optional<QPointF> origin = textOrigin(standard.path);
        QVERIFY(origin);
        QVERIFY2(origin->x() >= 15 && origin->y() >= 15,
                 qPrintable(QStringLiteral("%1 %2").arg(origin->x()).arg(origin->y())));
        QVERIFY(origin->x() < 30 && origin->y() < 30);

        // Margins the person set in the print dialog's page setup are kept.
        PdfPrinter narrow(dir.filePath(QStringLiteral("narrow.pdf")));
        narrow.printer.setPageMargins(QMarginsF(6, 6, 6, 6), QPageLayout::Millimeter);
        QVERIFY(PrintHtmlReport(report, &narrow.printer));
        const std::optional<QPointF> near = textOrigin(narrow.path);
        QVERIFY(near);
        QVERIFY2(near->x() >= 6 && near->x() < 12 && near->y() >= 6 && near->y() < 12,
                 qPrintable(QStringLiteral("%1 %2").arg(near->x()).arg(near->y())));
    }

    void printsEachFormatWithFormatting_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("html") << int(ReportFormat::Html);
        QTest::newRow("rtf") << int(ReportFormat::RichText);
    }

    void printsEachFormatWithFormatting() {
        QFETCH(int, format);
        const auto reportFormat = static_cast<ReportFormat>(format);
        QTemporaryDir dir;
        const QString report =
            dir.filePath(reportFormat == ReportFormat::Html ? QStringLiteral("r.html")
                                                            : QStringLiteral("r.rtf"));
        QVERIFY(SaveReportFile(report, reportFormat, contacts(1), ReportFields::All()));
        PdfPrinter out(dir.filePath(QStringLiteral("r.pdf")));
        const bool printed = reportFormat == ReportFormat::Html
                                 ? PrintHtmlReport(report, &out.printer)
                                 : PrintRichTextReport(report, &out.printer);
        QVERIFY(printed);
        const QByteArray pdf = readAll(out.path);
        QVERIFY(pdf.startsWith("%PDF"));
        QVERIFY(pdf.size() > 2000);
        QCOMPARE(pdfPageCount(pdf), 1);
        QVERIFY(pdfUsesBoldFont(pdf));

        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed; the printed text is not extracted");
        QProcess extract;
        extract.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), out.path,
                                  QStringLiteral("-")});
        QVERIFY(extract.waitForFinished(30000));
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Ann Lee")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Hamilton")));
        QVERIFY(text.contains(QStringLiteral("New Zealand")));
    }

    void plainDocumentHasNoBoldFont() {
        // The counterpart of the bold check above: the check sees formatting, not fonts
        // that are always there.
        QTemporaryDir dir;
        PdfPrinter out(dir.filePath(QStringLiteral("plain.pdf")));
        QTextDocument document;
        document.setPlainText(QStringLiteral("Ann Lee\nHamilton"));
        QCOMPARE(PrintTextDocument(document, &out.printer), 1);
        const QByteArray pdf = readAll(out.path);
        QCOMPARE(pdfPageCount(pdf), 1);
        QVERIFY(!pdfUsesBoldFont(pdf));
    }

    void longReportsRunOverSeveralPages() {
        QTemporaryDir dir;
        const std::vector<ContactRecord> many = contacts(60);
        int pagesOfFormat[2] = {0, 0};
        for (const ReportFormat format : {ReportFormat::Html, ReportFormat::RichText}) {
            const bool html = format == ReportFormat::Html;
            const QString report =
                dir.filePath(html ? QStringLiteral("m.html") : QStringLiteral("m.rtf"));
            QVERIFY(SaveReportFile(report, format, many, ReportFields::All()));
            QTextDocument document;
            QVERIFY(html ? LoadHtmlReport(report, document) : LoadRichTextReport(report, document));
            PdfPrinter out(dir.filePath(QStringLiteral("m%1.pdf").arg(int(format))));
            const int pages = PrintTextDocument(document, &out.printer);
            QVERIFY2(pages > 3, qPrintable(QString::number(pages)));
            QCOMPARE(pdfPageCount(readAll(out.path)), pages);
            pagesOfFormat[int(format)] = pages;
        }
        // One contact block takes about as much room in either format.
        QVERIFY(qAbs(pagesOfFormat[0] - pagesOfFormat[1]) * 2 <=
                qMax(pagesOfFormat[0], pagesOfFormat[1]));
    }

    void failuresReturnFalse() {
        QTemporaryDir dir;
        PdfPrinter out(dir.filePath(QStringLiteral("x.pdf")));
        QVERIFY(!PrintRichTextReport(dir.filePath(QStringLiteral("missing.rtf")), &out.printer));
        QVERIFY(!PrintHtmlReport(dir.filePath(QStringLiteral("missing.html")), &out.printer));
        const QString notRtf = dir.filePath(QStringLiteral("plain.rtf"));
        QFile file(notRtf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("just text");
        file.close();
        QVERIFY(!PrintRichTextReport(notRtf, &out.printer));
        QVERIFY(!QFile::exists(out.path));

        const QString report = dir.filePath(QStringLiteral("r.rtf"));
        QVERIFY(SaveReportFile(report, ReportFormat::RichText, contacts(1), ReportFields::All()));
        QVERIFY(!PrintRichTextReport(report, nullptr));
        PdfPrinter nowhere(dir.filePath(QStringLiteral("no/such/folder/x.pdf")));
        QVERIFY(!PrintRichTextReport(report, &nowhere.printer));
    }

    void printDialogCancelPrintsNothing() {
        QTemporaryDir dir;
        const QString report = dir.filePath(QStringLiteral("r.rtf"));
        QVERIFY(SaveReportFile(report, ReportFormat::RichText, contacts(1), ReportFields::All()));
        PrintDialogCanceller canceller;
        QVERIFY(!PrintReportFile(report));
        QCOMPARE(canceller.dialogs, 1);
        // A file that cannot be loaded is refused before anything is asked.
        QVERIFY(!PrintReportFile(dir.filePath(QStringLiteral("missing.html"))));
        const QString notRtf = dir.filePath(QStringLiteral("broken.rtf"));
        writeFile(notRtf, "just text");
        QVERIFY(!PrintReportFile(notRtf));
        QCOMPARE(canceller.dialogs, 1);
    }
};

QTEST_MAIN(TestReportPrint)
#include "tst_reportprint.moc"
