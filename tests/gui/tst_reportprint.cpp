// Printing report files with their formatting, to PDF through QPrinter.
#include "engine/contactrecord.h"
#include "platform/uiseam.h"
#include "reports/reportfile.h"
#include "reports/reportprint.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <vector>

using namespace quenlark;

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

struct PdfPrinter {
    QString path;
    QPrinter printer{QPrinter::HighResolution};
    explicit PdfPrinter(const QString& file) : path(file) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
};

} // namespace

class TestReportPrint : public QObject {
    Q_OBJECT
private slots:
    void registersPrintersForReportExtensions() {
        RegisterReportPrinters();
        QVERIFY(DocumentPrinterFor(QStringLiteral("/tmp/r.html")) == &PrintHtmlReportFile);
        QVERIFY(DocumentPrinterFor(QStringLiteral("/tmp/r.HTM")) == &PrintHtmlReportFile);
        QVERIFY(DocumentPrinterFor(QStringLiteral("/tmp/r.rtf")) == &PrintRichTextReportFile);
        QVERIFY(DocumentPrinterFor(QStringLiteral("/tmp/r.txt")) == nullptr);
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
        int dialogs = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&dialogs] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                ++dialogs;
                dialog->reject();
            }
        });
        closer.start(20);
        QVERIFY(!PrintRichTextReportFile(report));
        QCOMPARE(dialogs, 1);
        // A file that cannot be loaded is refused before anything is asked.
        QVERIFY(!PrintHtmlReportFile(dir.filePath(QStringLiteral("missing.html"))));
        QCOMPARE(dialogs, 1);
    }
};

QTEST_MAIN(TestReportPrint)
#include "tst_reportprint.moc"
