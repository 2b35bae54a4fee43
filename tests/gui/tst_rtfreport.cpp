// The rich-text report's exact bytes, and what an RTF reader makes of them.
#include "engine/contactrecord.h"
#include "reportdata.h"
#include "reports/rtfreader.h"
#include "reports/rtfreport.h"

#include <QBuffer>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>
#include <vector>

using namespace quenlark;
using namespace quenlark::test;

Q_DECLARE_METATYPE(quenlark::ContactRecord)
Q_DECLARE_METATYPE(quenlark::ReportFields)

namespace {

const QByteArray kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                         "Tahoma;}}\r\n\\uc1\\pard\\plain\\f0\\fs16\\par\r\n";
const QByteArray kTail = "}\r\n";
const QByteArray kBlockEnd = "\\par\r\n\\par\r\n";

QByteArray rtf(const std::vector<ContactRecord>& contacts, const ReportFields& fields) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!WriteRichTextReport(buffer, contacts, fields))
        return "write failed";
    return buffer.data();
}

QString describeFormat(const QTextCharFormat& format) {
    return QStringLiteral("%1%2")
        .arg(format.fontPointSize())
        .arg(format.fontWeight() >= QFont::Bold ? QStringLiteral("b") : QString());
}

// One entry per paragraph: "(empty 14b)" or its runs as "[text|8b][text|8]".
QStringList describe(const QTextDocument& document) {
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) {
            paragraphs << QStringLiteral("(empty %1)").arg(describeFormat(block.charFormat()));
            continue;
        }
        QString runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            runs += QStringLiteral("[%1|%2]").arg(fragment.text(),
                                                  describeFormat(fragment.charFormat()));
        }
        paragraphs << runs;
    }
    return paragraphs;
}

QStringList fontsOf(const QTextDocument& document) {
    QStringList fonts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        fonts << block.charFormat().fontFamilies().toStringList();
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fonts << it.fragment().charFormat().fontFamilies().toStringList();
    }
    fonts.removeDuplicates();
    return fonts;
}

QStringList readBack(const QByteArray& bytes) {
    QTextDocument document;
    if (!ReadRtf(bytes, document))
        return {QStringLiteral("not RTF")};
    return describe(document);
}

} // namespace

class TestRtfReport : public QObject {
    Q_OBJECT
private slots:
    void exactBytes_data() {
        QTest::addColumn<std::vector<ContactRecord>>("contacts");
        QTest::addColumn<ReportFields>("fields");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("no contacts")
            << std::vector<ContactRecord>{} << ReportFields::All() << QByteArray();
        QTest::newRow("Ann Lee, name and city")
            << std::vector<ContactRecord>{ReportContact("Ann Lee", {{Field::City, "Hamilton"}})}
            << OnlyFields({ReportField::Name, ReportField::City})
            << "\\b\\fs28 Ann Lee\\par\r\n\\par\r\n\\b0\\fs16\\b     City:\\b0     Hamilton"
               "\\par\r\n" +
                   kBlockEnd;
        QTest::newRow("only name") << std::vector<ContactRecord>{ReportContact("Ann Lee")}
                                   << OnlyFields({ReportField::Name})
                                   << "\\b\\fs28 Ann Lee\\par\r\n\\par\r\n\\b0\\fs16" + kBlockEnd;
        QTest::newRow("only an empty city")
            << std::vector<ContactRecord>{ReportContact("Ann Lee")}
            << OnlyFields({ReportField::City})
            << "\\b0\\fs16\\b     City:\\b0     \\par\r\n" + kBlockEnd;
        QTest::newRow("countries 0 and -1, duplicate names")
            << std::vector<ContactRecord>{ReportContact("Bo", {}, 0), ReportContact("Bo", {}, -1)}
            << OnlyFields({ReportField::Name, ReportField::Country})
            << "\\b\\fs28 Bo\\par\r\n\\par\r\n\\b0\\fs16\\b     Country:\\b0     (You can select "
               "a country from the list below)\\par\r\n" +
                   kBlockEnd +
                   "\\b\\fs28 Bo\\par\r\n\\par\r\n\\b0\\fs16\\b     Country:\\b0     \\par\r\n" +
                   kBlockEnd;
        QTest::newRow("RTF syntax in values escaped")
            << std::vector<ContactRecord>{ReportContact("}\\par{\\b x",
                                                        {{Field::WebSite, "{\\*}"}})}
            << OnlyFields({ReportField::Name, ReportField::WebSite})
            << "\\b\\fs28 \\}\\\\par\\{\\\\b x\\par\r\n\\par\r\n\\b0\\fs16\\b     Web site:\\b0    "
               " "
               "\\{\\\\*\\}\\par\r\n" +
                   kBlockEnd;
        QTest::newRow("Windows-1252 bytes as escapes")
            << std::vector<ContactRecord>{ReportContact("Zo\xEB \x80\t")}
            << OnlyFields({ReportField::Name})
            << "\\b\\fs28 Zo\\'eb \\'80\\'09\\par\r\n\\par\r\n\\b0\\fs16" + kBlockEnd;
    }

    void exactBytes() {
        QFETCH(std::vector<ContactRecord>, contacts);
        QFETCH(ReportFields, fields);
        QFETCH(QByteArray, body);
        QCOMPARE(rtf(contacts, fields), kHead + body + kTail);
    }

    void annLeeReadsBackAsItsParagraphs() {
        QTextDocument document;
        QVERIFY(ReadRtf(rtf({ReportContact("Ann Lee", {{Field::City, "Hamilton"}})},
                            OnlyFields({ReportField::Name, ReportField::City})),
                        document));
        QCOMPARE(describe(document), QStringList({
                                         "(empty 8)",
                                         "[Ann Lee|14b]",
                                         "(empty 14b)",
                                         "[    City:|8b][    Hamilton|8]",
                                         "(empty 8)",
                                         "(empty 8)",
                                         "(empty 8)",
                                     }));
        QCOMPARE(fontsOf(document), QStringList{"Tahoma"});
    }

    void blocksReadBackWithoutName() {
        const QStringList paragraphs =
            readBack(rtf({ReportContact("A", {{Field::Email, "a@x"}}), ReportContact("B", {}, 234)},
                         OnlyFields({ReportField::Email, ReportField::Country})));
        QCOMPARE(paragraphs, QStringList({
                                 "(empty 8)",
                                 "[    E-Mail:|8b][    a@x|8]",
                                 "[    Country:|8b][    (You can select a country from the "
                                 "list below)|8]",
                                 "(empty 8)",
                                 "(empty 8)",
                                 "[    E-Mail:|8b][    |8]",
                                 "[    Country:|8b][    Zimbabwe|8]",
                                 "(empty 8)",
                                 "(empty 8)",
                                 "(empty 8)",
                             }));
    }

    void valuesCannotChangeTheDocument() {
        // Every value holds RTF syntax; each still reads back as its own text.
        const char* hostile = "}}\\par{\\fs99\\b0 x\\'41\\u66 {\\*\\pict";
        ContactRecord record = ReportContact(hostile);
        for (std::size_t f = 1; f < kFieldCount; ++f)
            record.setText(static_cast<Field>(f), hostile);
        const QStringList paragraphs = readBack(rtf({record}, ReportFields::All()));
        QCOMPARE(paragraphs.size(), 2 + 14);
        QCOMPARE(paragraphs.at(1), QStringLiteral("[%1|14b]").arg(QLatin1String(hostile)));
        QCOMPARE(paragraphs.at(3),
                 QStringLiteral("[    E-Mail:|8b][    %1|8]").arg(QLatin1String(hostile)));
        QCOMPARE(paragraphs.at(11),
                 QStringLiteral("[    Zip code:|8b][    %1|8]").arg(QLatin1String(hostile)));
    }

    void nonAsciiReadsBack() {
        QCOMPARE(
            readBack(rtf({ReportContact("Zo\xEB \x80")}, OnlyFields({ReportField::Name}))).at(1),
            QStringLiteral("[Zo\u00EB \u20AC|14b]"));
    }

    void readerHandlesGeneralRtf() {
        const QByteArray general =
            "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\froman{\\*\\panose 0}Courier "
            "New;}}\r\n{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
            "{\\*\\generator Foo 1.0;}{\\info{\\title T}}\n"
            "\\fs20 plain {\\b\\f0 bold}\\b  on\\b0\\par\n"
            "\\u8364?\\'e9\\~\\uc2\\u8212ab!\\uc0\\u-4064 \\\\\\{\\}\\tab x\\line y\\par\n"
            "{\\pict\\bin3 }{}}\\i\\ul it\\plain  reset\\par}trailing";
        QTextDocument document;
        QVERIFY(ReadRtf(general, document));
        QCOMPARE(describe(document),
                 QStringList({
                     "[plain |10][bold|10b][ on|10b]",
                     QStringLiteral("[\u20AC\u00E9\u00A0\u2014!\uF020\\{}\tx\u2028y|10]"),
                     "[it|10][ reset|12]",
                     "(empty 12)",
                 }));
        const QTextBlock first = document.begin();
        QCOMPARE(first.begin().fragment().charFormat().fontFamilies().toStringList(),
                 QStringList{"Courier New"});
        QCOMPARE((++first.begin()).fragment().charFormat().fontFamilies().toStringList(),
                 QStringList{"Arial"});
        const QTextCharFormat italic =
            document.begin().next().next().begin().fragment().charFormat();
        QVERIFY(italic.fontItalic() && italic.fontUnderline());
    }

    void readerRejectsOrKeepsPartialInput() {
        QTextDocument document;
        document.setPlainText(QStringLiteral("old"));
        QVERIFY(!ReadRtf("plain text", document));
        QVERIFY(document.isEmpty());
        QVERIFY(!ReadRtf("", document));
        // Cut short: what was read stays, with its formatting.
        QVERIFY(ReadRtf("{\\rtf1 \\b\\fs28 abc\\par de\\'4", document));
        QCOMPARE(describe(document), QStringList({"[abc|14b]", "[de|14b]"}));
    }
};

QTEST_MAIN(TestRtfReport)
#include "tst_rtfreport.moc"
