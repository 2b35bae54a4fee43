// The HTML report's exact bytes, and writing report files whole or not at all.
#include "engine/contactrecord.h"
#include "interchange/vcardwriter.h"
#include "reportdata.h"
#include "reports/htmlreport.h"
#include "reports/reportfile.h"
#include "reports/rtfreport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

using namespace quenlark;
using namespace quenlark::test;

Q_DECLARE_METATYPE(quenlark::ContactRecord)
Q_DECLARE_METATYPE(quenlark::ReportFields)

namespace {

const QByteArray kHead =
    "<!-- Created with Quenlark Address Book 2.4 Report Gen.\r\n"
    "Feel free to edit this file (and remove this comment if you want).-->\r\n"
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "  <TITLE>Quenlark Address Book Report</TITLE>\r\n"
    "  <STYLE> BODY { font-family: Tahoma, Arial; font-size:8pt; } </STYLE>\r\n"
    "</HEAD>\r\n"
    "\r\n"
    "<BODY>\r\n"
    "\r\n";
const QByteArray kTail = "</BODY>\r\n</HTML>\r\n";

QByteArray html(const std::vector<ContactRecord>& contacts, const ReportFields& fields) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!WriteHtmlReport(buffer, contacts, fields))
        return "write failed";
    return buffer.data();
}

QByteArray block(const QByteArray& line) {
    return "<BR>\r\n" + line + "\r\n<HR>\r\n";
}

} // namespace

class TestHtmlReport : public QObject {
    Q_OBJECT
private slots:
    void noContactsGivesHeadAndTailOnly() {
        QCOMPARE(html({}, ReportFields::All()), kHead + kTail);
        QCOMPARE((kHead + kTail).count("\r\n"), 12);
    }

    void contactLine_data() {
        QTest::addColumn<ContactRecord>("record");
        QTest::addColumn<ReportFields>("fields");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("only name") << ReportContact("Ann Lee") << OnlyFields({ReportField::Name})
                                   << QByteArray("<font size=\"5\"><B>Ann Lee</B></FONT>"
                                                 "<blockquote></blockquote>");
        QTest::newRow("only empty city")
            << ReportContact("Ann Lee") << OnlyFields({ReportField::City})
            << QByteArray("<blockquote><b>City:</b> &nbsp;&nbsp;&nbsp; <br></blockquote>");
        QTest::newRow("no country chosen")
            << ReportContact("A", {}, 0) << OnlyFields({ReportField::Country})
            << QByteArray("<blockquote><b>Country:</b> &nbsp;&nbsp;&nbsp; (You can select a "
                          "country from the list below)<br></blockquote>");
        QTest::newRow("country -1")
            << ReportContact("A", {}, -1) << OnlyFields({ReportField::Country})
            << QByteArray("<blockquote><b>Country:</b> &nbsp;&nbsp;&nbsp; "
                          "<br></blockquote>");
        QTest::newRow("country past the list")
            << ReportContact("A", {}, 235) << OnlyFields({ReportField::Country})
            << QByteArray("<blockquote><b>Country:</b> &nbsp;&nbsp;&nbsp; <br></blockquote>");
        QTest::newRow("every field in order")
            << ReportContact("N",
                             {{Field::Email, "e@x"},
                              {Field::SecondEmail, "f@x"},
                              {Field::Nickname, "nick"},
                              {Field::WebSite, "http://x.example"},
                              {Field::Phone, "1"},
                              {Field::Mobile, "2"},
                              {Field::Address, "1 Road"},
                              {Field::City, "Hamilton"},
                              {Field::ZipCode, "3204"}},
                             234)
            << ReportFields::All()
            << QByteArray("<font size=\"5\"><B>N</B></FONT><blockquote>"
                          "<b>E-Mail:</b> &nbsp;&nbsp;&nbsp; e@x<br>"
                          "<b>Seccond E-Mail:</b> &nbsp;&nbsp;&nbsp; f@x<br>"
                          "<b>Nickname:</b> &nbsp;&nbsp;&nbsp; nick<br>"
                          "<b>Web Site:</b> &nbsp;&nbsp;&nbsp; http://x.example<br>"
                          "<b>Phone number:</b> &nbsp;&nbsp;&nbsp; 1<br>"
                          "<b>Mobile number:</b> &nbsp;&nbsp;&nbsp; 2<br>"
                          "<b>Address:</b> &nbsp;&nbsp;&nbsp; 1 Road<br>"
                          "<b>City:</b> &nbsp;&nbsp;&nbsp; Hamilton<br>"
                          "<b>Zip code:</b> &nbsp;&nbsp;&nbsp; 3204<br>"
                          "<b>Country:</b> &nbsp;&nbsp;&nbsp; Zimbabwe<br>"
                          "</blockquote>");
        QTest::newRow("markup in values is escaped")
            << ReportContact("<script>alert(\"x\")</script>", {{Field::City, "A&B <i>"}})
            << OnlyFields({ReportField::Name, ReportField::City})
            << QByteArray("<font size=\"5\"><B>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"
                          "</B></FONT><blockquote><b>City:</b> &nbsp;&nbsp;&nbsp; A&amp;B "
                          "&lt;i&gt;<br></blockquote>");
        QTest::newRow("Windows-1252 bytes kept")
            << ReportContact("Zo\xEB \x80") << OnlyFields({ReportField::Name})
            << QByteArray("<font size=\"5\"><B>Zo\xEB \x80</B>"
                          "</FONT><blockquote></blockquote>");
    }

    void contactLine() {
        QFETCH(ContactRecord, record);
        QFETCH(ReportFields, fields);
        QFETCH(QByteArray, line);
        QCOMPARE(html({record}, fields), kHead + block(line) + kTail);
    }

    void duplicateNamesKeepTheirOwnBlocksInOrder() {
        const std::vector<ContactRecord> contacts{ReportContact("Ann Lee", {{Field::City, "Two"}}),
                                                  ReportContact("Ann Lee", {{Field::City, "One"}})};
        const ReportFields fields = OnlyFields({ReportField::Name, ReportField::City});
        const QByteArray out = html(contacts, fields);
        QCOMPARE(out, kHead +
                          block("<font size=\"5\"><B>Ann Lee</B></FONT><blockquote><b>City:</b> "
                                "&nbsp;&nbsp;&nbsp; Two<br></blockquote>") +
                          block("<font size=\"5\"><B>Ann Lee</B></FONT><blockquote><b>City:</b> "
                                "&nbsp;&nbsp;&nbsp; One<br></blockquote>") +
                          kTail);
        QCOMPARE(out.count("\r\n"), 12 + 3 * 2);
    }

    void writeFailureIsReported() {
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        const std::vector<ContactRecord> none;
        QVERIFY(!WriteHtmlReport(readOnly, none, ReportFields::All()));
        QVERIFY(!WriteRichTextReport(readOnly, none, ReportFields::All()));
    }

    void saveReportFileWritesOrReplacesWholeFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.html"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(10000, 'x'));
        }
        const std::vector<ContactRecord> contacts{ReportContact("Ann Lee")};
        const ReportFields fields = OnlyFields({ReportField::Name});
        QVERIFY(SaveReportFile(path, ReportFormat::Html, contacts, fields));
        QFile html(path);
        QVERIFY(html.open(QIODevice::ReadOnly));
        QCOMPARE(html.readAll(), BuildHtmlReport(contacts, fields));

        const QString rtfPath = dir.filePath(QStringLiteral("report.rtf"));
        QVERIFY(SaveReportFile(rtfPath, ReportFormat::RichText, contacts, fields));
        QFile rtf(rtfPath);
        QVERIFY(rtf.open(QIODevice::ReadOnly));
        QCOMPARE(rtf.readAll(), BuildRichTextReport(contacts, fields));
    }

    void saveReportFileFailsSilentlyAndLeavesNothing() {
        QTemporaryDir dir;
        const std::vector<ContactRecord> contacts{ReportContact("Ann Lee")};
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/report.html"));
        QVERIFY(!SaveReportFile(missingFolder, ReportFormat::Html, contacts, ReportFields::All()));
        QVERIFY(!QFile::exists(missingFolder));

        // A folder stands where the file should go.
        const QString folder = dir.filePath(QStringLiteral("taken.rtf"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(!SaveReportFile(folder, ReportFormat::RichText, contacts, ReportFields::All()));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!SaveReportFile(QString(), ReportFormat::Html, contacts, ReportFields::All()));
    }

    // A report larger than the block it is written in comes out as the whole document
    // would; a link is followed and kept; a new file is its owner's only; a cancel leaves
    // the old file.
    void largeReportsLinksAndCancels() {
        QTemporaryDir dir;
        std::vector<ContactRecord> many;
        for (int i = 0; i < 5000; ++i)
            many.push_back(ReportContact(("Person " + std::to_string(i)).c_str(),
                                         {{Field::Address, "1 Long Street"}}, i % 235));
        const ReportFields fields = ReportFields::All();
        const QString target = dir.filePath(QStringLiteral("target.html"));
        QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("link.html"))));
        QVERIFY(SaveReportFile(dir.filePath(QStringLiteral("link.html")), ReportFormat::Html, many,
                               fields));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link.html"))).isSymLink());
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray whole = BuildHtmlReport(many, fields);
        QVERIFY(whole.size() > 2 * 1024 * 1024);
        QVERIFY(written.readAll() == whole);
        QCOMPARE(written.permissions() & 0x0077, QFileDevice::Permissions());

        std::size_t given = 0;
        const Result cancelled = SaveReportFile(
            target, ReportFormat::RichText,
            [&](ContactRecord& r) {
                if (given == many.size())
                    return false;
                r = many[given++];
                return true;
            },
            fields, [](std::int64_t done) { return done < 2000; });
        QCOMPARE(cancelled.failure(), Failure::Cancelled);
        written.seek(0);
        QVERIFY(written.readAll() == whole);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // vCard and CSV files carry the chosen fields of the chosen contacts, as the writers
    // of those formats write them.
    void contactFilesAreReportFormats() {
        QTemporaryDir dir;
        const std::vector<ContactRecord> contacts{
            ReportContact("Ann Lee", {{Field::Email, "ann@example.com"}}, 69),
            ReportContact("Bob", {{Field::Phone, "=1+2"}})};
        const ReportFields fields = OnlyFields({ReportField::Name, ReportField::Phone});
        const auto written = [&](ReportFormat format) {
            const QString path = dir.filePath(QStringLiteral("contacts"));
            if (!SaveReportFile(path, format, contacts, fields))
                return QByteArray("not written");
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        };
        QCOMPARE(written(ReportFormat::VCard3),
                 QByteArray::fromStdString(ToVCard(contacts[0], {VCardVersion::V3, fields}) +
                                           ToVCard(contacts[1], {VCardVersion::V3, fields})));
        QVERIFY(written(ReportFormat::VCard4).contains("VERSION:4.0\r\n"));
        const QByteArray csv = written(ReportFormat::Csv);
        QVERIFY(csv.startsWith("\xEF\xBB\xBFName,"));
        QVERIFY(!csv.contains("ann@example.com")); // not a chosen field
        QVERIFY(csv.contains("'=1+2"));            // guarded against spreadsheet formulas
        QCOMPARE(csv.count("\r\n"), 3);
    }
};

QTEST_MAIN(TestHtmlReport)
#include "tst_htmlreport.moc"
