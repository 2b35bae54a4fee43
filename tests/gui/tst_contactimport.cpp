// "Import contacts..." in the real window: the first pass off the window's thread (the window
// keeps answering, a long one shows progress and can be cancelled), what the summary tells,
// and a second import of the same file adding nothing.
#include "forms/mainform.h"
#include "guitest.h"

#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A file of many small contacts, long enough to read for the progress to show.
QByteArray manyCards(int count) {
    QByteArray text;
    text.reserve(count * 80);
    for (int i = 0; i < count; ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + QByteArray::number(i) + "\r\nEMAIL:p" +
                QByteArray::number(i) + "@example.com\r\nEND:VCARD\r\n";
    return text;
}

void importFrom(Tmainform& w) {
    Action(w, "importContactsItem")->trigger();
}

} // namespace

class TstContactImport : public GuiTest {
    Q_OBJECT
private slots:
    void firstPassLeavesTheWindowAnsweringAndCanBeCancelled();
    void summaryNamesWhatIsNotStoredAndSecondImportAddsNothing_data();
    void summaryNamesWhatIsNotStoredAndSecondImportAddsNothing();
};

void TstContactImport::firstPassLeavesTheWindowAnsweringAndCanBeCancelled() {
    auto w = window({NamedContact("Amy")});
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    const QString file = env_->path(QStringLiteral("many.vcf"));
    writeFile(file, manyCards(1000000));

    // The window's own timers go on firing while the file is read; once the progress shows,
    // its Cancel stops the reading, and nothing is asked or written.
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);
    bool cancelled = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* progress = w->findChild<QProgressDialog*>(QStringLiteral("importProgress"));
        if (!progress || !progress->isVisible() || cancelled)
            return;
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Import contacts"));
        cancelled = true;
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    poll.start(20);
    seam_->chooseFile(file);
    importFrom(*w);
    QVERIFY(ticks > 10);
    QVERIFY(cancelled);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(!w->findChild<QProgressDialog*>(QStringLiteral("importProgress")));
}

void TstContactImport::summaryNamesWhatIsNotStoredAndSecondImportAddsNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QString>("again");
    QTest::newRow("vCard with what has no field")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xC3\xAB\r\nBDAY:2000-01-01\r\n"
               "PHOTO;ENCODING=b:AAAA\r\nEMAIL:1@x\r\nEMAIL:2@x\r\nEMAIL:3@x\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo\r\nBDAY:1999-02-02\r\nEND:VCARD\r\n")
        << QStringList{"2 of the 2 contacts in the file will be added",
                       "1 further e-mail address, 2 birthdays and 1 photo are not stored."}
        << QStringList{"Zo\u00eb", "Bo"} << QStringLiteral("2 contacts are already in the book");
    QTest::newRow("Outlook's ANSI CSV, one contact twice")
        << QByteArray("First Name,Last Name,E-mail Address,Home City\r\n"
                      "Jos\xE9,M\xFCller,j@x,K\xF6ln\r\n"
                      "Jos\xE9,M\xFCller,j@x,K\xF6ln\r\n")
        << QStringList{"1 of the 2 contacts in the file will be added", "read as Windows-1252",
                       "1 contact repeats one earlier in the file and will be skipped."}
        << QStringList{"Jos\u00e9 M\u00fcller"}
        << QStringLiteral("2 contacts are already in the book");
}

void TstContactImport::summaryNamesWhatIsNotStoredAndSecondImportAddsNothing() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, told);
    QFETCH(QStringList, added);
    QFETCH(QString, again);
    auto w = window({NamedContact("Amy")});
    QVERIFY(w);
    const QString path = env_->path(QStringLiteral("contacts.txt"));
    writeFile(path, file);
    seam_->chooseFile(path);
    seam_->answer(MsgResult::Yes);
    importFrom(*w);
    QCOMPARE(seam_->titles(), (QStringList{"Import contacts", "Import contacts"}));
    for (const QString& sentence : told)
        QVERIFY2(seam_->messages.at(0).text.contains(sentence),
                 qPrintable(seam_->messages.at(0).text));
    QCOMPARE(ListedNames(*w), QStringList{"Amy"} + added);
    const QByteArray once = env_->databaseBytes();

    // The same file again: every contact is already in the book, so nothing is asked or added.
    seam_->clear();
    seam_->chooseFile(path);
    importFrom(*w);
    QCOMPARE(seam_->titles(), QStringList{"Import contacts"});
    const RecordedMessage& told2 = seam_->messages.at(0);
    QCOMPARE(told2.icon, MsgIcon::Information);
    QVERIFY2(told2.text.contains(again), qPrintable(told2.text));
    QCOMPARE(env_->databaseBytes(), once);
}

QTEST_MAIN(TstContactImport)
#include "tst_contactimport.moc"
