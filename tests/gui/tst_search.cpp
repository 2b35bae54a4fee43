// The main window's search, driven with keys and clicks: how it starts, which names it
// finds with and without matching case, its messages, and the results dialog with its
// Display and Cancel commands.
#include "controls/focusrect.h"
#include "forms/contactsearch.h"
#include "forms/mainform.h"
#include "forms/searchresults.h"
#include "guitest.h"
#include "modaldriver.h"
#include "tools/commontools.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// Names in the database's code page, e-mail addresses beside them.
using Contacts = QList<QPair<QByteArray, QByteArray>>;

QList<ContactRecord> records(const Contacts& contacts) {
    QList<ContactRecord> out;
    for (const auto& [name, email] : contacts)
        out << NamedContact(name, email);
    return out;
}

// What a results dialog held when it opened.
struct Shown {
    bool opened = false;
    bool leftOpen = false;
    bool destroyed = false;
    QString searchfor;
    QString found;
    QStringList names;
    QList<quint64> results;
};

// Runs `start`; once the results dialog is open, records it and runs `drive` on it.
// A dialog that `drive` leaves open is closed, and recorded as left open.
Shown runSearch(const std::function<void()>& start,
                const std::function<void(Tsearchresults&)>& drive) {
    Shown shown;
    const ModalRun run = RunModal<Tsearchresults>(start, [&](Tsearchresults& dialog) {
        shown.searchfor = Child<QLabel>(dialog, "searchText")->text();
        shown.found = Child<QLabel>(dialog, "foundCount")->text();
        shown.names = ListedNames(*Child<QListView>(dialog, "resultList"));
        shown.results = dialog.results();
        drive(dialog);
    });
    shown.opened = run.driven;
    shown.leftOpen = run.leftOpen;
    shown.destroyed = run.destroyed;
    return shown;
}

void cancel(Tsearchresults& d) {
    QTest::mouseClick(Child(d, "cancelButton"), Qt::LeftButton);
}

QListView* resultList(Tsearchresults& d) {
    return Child<QListView>(d, "resultList");
}

quint64 selectedContact(const Tmainform& w) {
    const QModelIndexList rows = Child<QListView>(w, "contacts")->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : ListedContacts(w).at(rows.first().row());
}

bool samePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

const Contacts kPeople = {{"Pandora", "p@x"},    {"Ann Peters", "pan@x"},
                          {"Peter Pan", "pp@x"}, {"\xC9mile Zola", "e@x"},
                          {"Bob", "bob@x"},      {"Ann Peters", "a2@x"}};

} // namespace

class TstSearch : public GuiTest {
    Q_OBJECT
private slots:
    void nameContainsFoldsOnlyAsciiCapitals_data();
    void nameContainsFoldsOnlyAsciiCapitals();
    void emptyListSaysNoRecordsWhateverTheText();
    void textsThatFindNothing_data();
    void textsThatFindNothing();
    void textsThatFindNames_data();
    void textsThatFindNames();
    void enterF2AndButtonStartTheSameSearch();
    void resultsFollowTheListsOrderAfterSorting();
    void displayShowsTheChosenContact_data();
    void displayShowsTheChosenContact();
    void displayWithoutSelectionAsksAndStaysOpen();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void namesAreShownAsPlainText();
    void resultsAreDrawnAsTheirNames();
    void typeAheadFindsResultsByName_data();
    void typeAheadFindsResultsByName();

private:
    std::unique_ptr<Tmainform> window(const Contacts& contacts) {
        return GuiTest::window(records(contacts));
    }
    void typeSearch(Tmainform& w, const QString& text, bool matchCase = false) {
        Child<QLineEdit>(w, "searchEdit")->setText(text);
        Child<QCheckBox>(w, "matchCaseBox")->setChecked(matchCase);
    }
};

void TstSearch::nameContainsFoldsOnlyAsciiCapitals_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("found");
    QTest::newRow("capitals fold") << QByteArray("Peter PAN") << QByteArray("pan") << false << true;
    QTest::newRow("matching case") << QByteArray("Peter PAN") << QByteArray("pan") << true << false;
    QTest::newRow("accented capital kept")
        << QByteArray("\xC9mile") << QByteArray("\xE9mile") << false << false;
    QTest::newRow("empty needle") << QByteArray("Ann") << QByteArray() << false << false;
    QTest::newRow("longer than the name")
        << QByteArray("Ann") << QByteArray("anne") << false << false;
    QTest::newRow("at the end") << QByteArray("Ann") << QByteArray("nn") << true << true;
}

void TstSearch::nameContainsFoldsOnlyAsciiCapitals() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, needle);
    QFETCH(bool, matchCase);
    QFETCH(bool, found);
    QCOMPARE(NameContains(name.toStdString(), needle.toStdString(), matchCase), found);
}

void TstSearch::emptyListSaysNoRecordsWhateverTheText() {
    auto w = window({});
    QVERIFY(w);
    for (const QString& text : {QString(), QStringLiteral("Ann")}) {
        seam_->clear();
        typeSearch(*w, text);
        const Shown shown = runSearch([&] { w->startSearch(); }, [](Tsearchresults&) {});
        QVERIFY(!shown.opened);
        QCOMPARE(seam_->messages.size(), 1);
        const RecordedMessage& m = seam_->messages.first();
        QCOMPARE(m.title, QStringLiteral("No records found!"));
        QCOMPARE(m.text, QStringLiteral("There are no contacts in your address book.  Please add "
                                        "some contacts and try again."));
        QCOMPARE(m.icon, MsgIcon::Information);
        QCOMPARE(m.owner.data(), w.get());
        QCOMPARE(Child<QLineEdit>(*w, "searchEdit")->text(), text); // the box keeps its text
    }
}

void TstSearch::textsThatFindNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::newRow("empty text") << QString() << false;
    QTest::newRow("only in an e-mail address") << QStringLiteral("bob@") << false;
    QTest::newRow("case differs, matching case") << QStringLiteral("PAN") << true;
    // Only A to Z fold: the small e acute does not find the capital one.
    QTest::newRow("accented capital not folded") << QStringLiteral("\u00e9mile") << false;
    QTest::newRow("space placement counts") << QStringLiteral("nP") << false;
    QTest::newRow("text the database cannot hold") << QStringLiteral("Pan\u03a9") << false;
    QTest::newRow("longer than any name") << QStringLiteral("Pandora Pandora") << false;
}

void TstSearch::textsThatFindNothing() {
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, text, matchCase);
    const Shown shown = runSearch([&] { w->startSearch(); }, [](Tsearchresults&) {});
    QVERIFY(!shown.opened);
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Search found nothing."));
    QCOMPARE(m.text, QStringLiteral("There are no entires in your address book that matched your "
                                    "search criteria."));
    QCOMPARE(m.icon, MsgIcon::Information);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(Child<QLineEdit>(*w, "searchEdit")->text(), text);
    QCOMPARE(Child<QCheckBox>(*w, "matchCaseBox")->isChecked(), matchCase);
}

void TstSearch::textsThatFindNames_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("searchfor");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("capitals fold") << QStringLiteral("PAN") << false << QStringLiteral("pan")
                                   << QStringList{"Pandora", "Peter Pan"};
    QTest::newRow("small letters find capitals")
        << QStringLiteral("pan") << false << QStringLiteral("pan")
        << QStringList{"Pandora", "Peter Pan"};
    QTest::newRow("matching case") << QStringLiteral("Pan") << true << QStringLiteral("Pan")
                                   << QStringList{"Pandora", "Peter Pan"};
    QTest::newRow("matching case, small") << QStringLiteral("ter") << true << QStringLiteral("ter")
                                          << QStringList{"Ann Peters", "Peter Pan", "Ann Peters"};
    QTest::newRow("spaces take part, duplicates both listed")
        << QStringLiteral("n P") << false << QStringLiteral("n p")
        << QStringList{"Ann Peters", "Ann Peters"};
    QTest::newRow("accented capital as typed")
        << QStringLiteral("\u00c9MILE") << false << QStringLiteral("\u00c9mile")
        << QStringList{"\u00c9mile Zola"};
    QTest::newRow("whole name") << QStringLiteral("Bob") << true << QStringLiteral("Bob")
                                << QStringList{"Bob"};
}

void TstSearch::textsThatFindNames() {
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(QString, searchfor);
    QFETCH(QStringList, names);
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, text, matchCase);
    const QList<quint64> listBefore = ListedContacts(*w);
    const Shown shown = runSearch([&] { w->startSearch(); }, cancel);
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QVERIFY(shown.destroyed);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(shown.searchfor, searchfor);
    QCOMPARE(shown.found, QString::number(names.size()));
    QCOMPARE(shown.names, names);
    // Results are contacts of the list, each at most once.
    for (const quint64 c : shown.results) {
        QCOMPARE(shown.results.count(c), 1);
        QVERIFY(listBefore.contains(c));
    }
    QCOMPARE(ListedContacts(*w), listBefore);
    QCOMPARE(Child<QLineEdit>(*w, "searchEdit")->text(), text);
}

void TstSearch::enterF2AndButtonStartTheSameSearch() {
    auto w = window(kPeople);
    QVERIFY(w);
    auto* box = Child<QLineEdit>(*w, "searchEdit");
    // Typing goes into the box as usual; only Enter starts the search.
    QTest::keyClicks(box, QStringLiteral("PETER"));
    QCOMPARE(box->text(), QStringLiteral("PETER"));
    const QList<QPair<const char*, std::function<void()>>> starts = {
        {"Enter", [&] { QTest::keyClick(box, Qt::Key_Return); }},
        {"keypad Enter", [&] { QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier); }},
        {"F2",
         [&] {
             // A function key needs the window active, which the last dialog may have left
             // to no window on this platform.
             w->activateWindow();
             QVERIFY(QTest::qWaitForWindowActive(w.get()));
             QTest::keyClick(Child(*w, "nameEdit"), Qt::Key_F2);
         }},
        {"magnifier", [&] { QTest::mouseClick(Child(*w, "searchButton"), Qt::LeftButton); }},
        {"entry point", [&] { w->startSearch(); }},
    };
    for (const auto& [how, start] : starts) {
        const Shown shown = runSearch(start, cancel);
        QVERIFY2(shown.opened, how);
        QCOMPARE(shown.searchfor, QStringLiteral("peter"));
        QCOMPARE(shown.names, (QStringList{"Ann Peters", "Peter Pan", "Ann Peters"}));
    }
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(box->text(), QStringLiteral("PETER"));
}

void TstSearch::resultsFollowTheListsOrderAfterSorting() {
    auto w = window(kPeople);
    QVERIFY(w);
    Action(*w, "descendingItem")->trigger();
    const QList<quint64> list = ListedContacts(*w);
    typeSearch(*w, QStringLiteral("e"));
    const Shown shown = runSearch([&] { w->startSearch(); }, cancel);
    QVERIFY(shown.opened);
    QCOMPARE(shown.names,
             (QStringList{"Peter Pan", "\u00c9mile Zola", "Ann Peters", "Ann Peters"}));
    // Exactly the list's items that hold the text, in the list's order.
    QList<quint64> expected;
    for (const quint64 c : list)
        if (shown.results.contains(c))
            expected << c;
    QCOMPARE(shown.results, expected);
}

void TstSearch::displayShowsTheChosenContact_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    for (const char* how : {"Display button", "double click", "Enter", "Alt+D"})
        for (int row : {0, 1})
            QTest::addRow("%s, result %d", how, row) << QString::fromLatin1(how) << row;
}

void TstSearch::displayShowsTheChosenContact() {
    QFETCH(QString, how);
    QFETCH(int, row);
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, QStringLiteral("ann"));
    quint64 chosen = 0;
    const Shown shown =
        runSearch([&] { w->startSearch(); },
                  [&](Tsearchresults& d) {
                      QListView* list = resultList(d);
                      ClickRow(*list, row);
                      chosen = ListedContacts(*list).at(row);
                      const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
                      if (how == QLatin1String("Display button"))
                          QTest::mouseClick(Child(d, "displayButton"), Qt::LeftButton);
                      else if (how == QLatin1String("double click"))
                          QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                      else if (how == QLatin1String("Enter"))
                          QTest::keyClick(list, Qt::Key_Return);
                      else
                          QTest::keyClick(list, Qt::Key_D, Qt::AltModifier);
                  });
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QVERIFY(seam_->messages.isEmpty());
    // Two contacts named alike: each result leads to its own contact.
    QCOMPARE(shown.names, (QStringList{"Ann Peters", "Ann Peters"}));
    QCOMPARE(chosen, shown.results.at(row));
    QCOMPARE(selectedContact(*w), chosen);
    QCOMPARE(Child<QListView>(*w, "contacts")->currentIndex().row(),
             ListedContacts(*w).indexOf(chosen));
    QVERIFY(w->selectedContact() == env_->engine().EntryFromSerial(chosen));
    QCOMPARE(Child<QLineEdit>(*w, "nameEdit")->text(), QStringLiteral("Ann Peters"));
    QCOMPARE(Child<QLineEdit>(*w, "emailEdit")->text(),
             row == 0 ? QStringLiteral("pan@x") : QStringLiteral("a2@x"));
    QVERIFY(Child(*w, "sendMailPanel")->isVisibleTo(w.get()));
}

void TstSearch::displayWithoutSelectionAsksAndStaysOpen() {
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, QStringLiteral("ann"));
    QList<bool> openAfter;
    const Shown shown = runSearch([&] { w->startSearch(); },
                                  [&](Tsearchresults& d) {
                                      QListView* list = resultList(d);
                                      list->setFocus();
                                      QTest::mouseClick(Child(d, "displayButton"), Qt::LeftButton);
                                      openAfter << d.isVisible();
                                      QTest::keyClick(list, Qt::Key_Return);
                                      openAfter << d.isVisible();
                                      QTest::keyClick(list, Qt::Key_Escape);
                                      openAfter << d.isVisible();
                                  });
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QCOMPARE(openAfter, (QList<bool>{true, true, false}));
    QCOMPARE(seam_->messages.size(), 2);
    for (const RecordedMessage& m : seam_->messages) {
        QCOMPARE(m.title, QStringLiteral("Select item!"));
        QCOMPARE(m.text, QStringLiteral("Please select an item to display!"));
        QCOMPARE(m.icon, MsgIcon::Information);
        QVERIFY(m.hadOwner);
    }
    QVERIFY(shown.destroyed);
    QCOMPARE(selectedContact(*w), 0u);
    QVERIFY(Child<QLineEdit>(*w, "nameEdit")->text().isEmpty());
}

void TstSearch::cancelChangesNothing_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"Cancel button", "Escape", "Alt+C", "window closed"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TstSearch::cancelChangesNothing() {
    QFETCH(QString, how);
    auto w = window(kPeople);
    QVERIFY(w);
    // Bob selected and shown before the search.
    ClickRow(*w, 4);
    const quint64 bob = selectedContact(*w);
    QCOMPARE(Child<QLineEdit>(*w, "nameEdit")->text(), QStringLiteral("Bob"));
    typeSearch(*w, QStringLiteral("pan"));
    const Shown shown =
        runSearch([&] { w->startSearch(); },
                  [&](Tsearchresults& d) {
                      ClickRow(*resultList(d), 1); // a result chosen, then abandoned
                      if (how == QLatin1String("Cancel button"))
                          cancel(d);
                      else if (how == QLatin1String("Escape"))
                          QTest::keyClick(resultList(d), Qt::Key_Escape);
                      else if (how == QLatin1String("Alt+C"))
                          QTest::keyClick(resultList(d), Qt::Key_C, Qt::AltModifier);
                      else
                          d.close();
                  });
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(selectedContact(*w), bob);
    QCOMPARE(Child<QLineEdit>(*w, "nameEdit")->text(), QStringLiteral("Bob"));
    QCOMPARE(Child<QLineEdit>(*w, "emailEdit")->text(), QStringLiteral("bob@x"));
}

void TstSearch::namesAreShownAsPlainText() {
    auto w = window({{"<b>Ann</b>", "a@x"}});
    QVERIFY(w);
    typeSearch(*w, QStringLiteral("<B>"));
    Qt::TextFormat format = Qt::RichText;
    const Shown shown = runSearch([&] { w->startSearch(); },
                                  [&](Tsearchresults& d) {
                                      format = Child<QLabel>(d, "searchText")->textFormat();
                                      cancel(d);
                                  });
    QVERIFY(shown.opened);
    QCOMPARE(shown.searchfor, QStringLiteral("<b>"));
    QCOMPARE(shown.names, QStringList{"<b>Ann</b>"});
    QCOMPARE(format, Qt::PlainText);
}

void TstSearch::resultsAreDrawnAsTheirNames() {
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, QStringLiteral("pan"));
    QList<QImage> drawn, expected;
    const Shown shown =
        runSearch([&] { w->startSearch(); },
                  [&](Tsearchresults& d) {
                      QListView* list = resultList(d);
                      const QImage view = list->viewport()->grab().toImage();
                      for (int row : {0, 1}) {
                          const QRect r = list->visualRect(list->model()->index(row, 0));
                          drawn << view.copy(r);
                          QImage own(r.size(), view.format());
                          QPainter painter(&own);
                          DrawContactItem(painter, own.rect(), ListedNames(*list).at(row), false,
                                          list->font());
                          // The current result of the focused list has its focus rectangle.
                          if (list->hasFocus() && list->currentIndex().row() == row)
                              DrawFocusRect(painter, own.rect());
                          painter.end();
                          expected << own;
                      }
                      cancel(d);
                  });
    QVERIFY(shown.opened);
    QCOMPARE(drawn.size(), 2);
    // Each result is drawn as its own contact's name.
    QVERIFY(!samePixels(drawn.at(0), drawn.at(1)));
    QVERIFY(samePixels(drawn.at(0), expected.at(0)));
    QVERIFY(samePixels(drawn.at(1), expected.at(1)));
}

// Typing in the results list goes to the result whose name starts with the letters, as in
// any list box.
void TstSearch::typeAheadFindsResultsByName_data() {
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QString>("name");
    QTest::newRow("p") << "p"
                       << "Peter Pan";
    QTest::newRow("ann p") << "ann p"
                           << "Ann Peters";
    QTest::newRow("accented capital") << "\u00e9m"
                                      << "\u00c9mile Zola";
}

void TstSearch::typeAheadFindsResultsByName() {
    QFETCH(QString, letters);
    QFETCH(QString, name);
    auto w = window(kPeople);
    QVERIFY(w);
    typeSearch(*w, QStringLiteral("e"));
    QString current = QStringLiteral("<not shown>");
    const Shown shown = runSearch([&] { w->startSearch(); },
                                  [&](Tsearchresults& d) {
                                      QListView* list = resultList(d);
                                      list->setFocus();
                                      TypeText(list, letters);
                                      current = list->currentIndex().data().toString();
                                      cancel(d);
                                  });
    QVERIFY(shown.opened);
    QCOMPARE(current, name);
}

QTEST_MAIN(TstSearch)
#include "tst_search.moc"
