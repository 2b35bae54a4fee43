// The main window's search, driven with keys and clicks: how it starts, which names it
// finds with and without matching case, its messages, and the results dialog with its
// Display and Cancel commands.
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "forms/searchresults.h"
#include "mainwindowdriver.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"
#include "tools/commontools.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStringListModel>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// Names in the database's code page, e-mail addresses beside them.
using Contacts = QList<QPair<QByteArray, QByteArray>>;

QByteArray databaseWith(const Contacts& contacts) {
    const auto header = MakeHeader();
    QByteArray bytes(header.data(), int(header.size()));
    for (const auto& [name, email] : contacts) {
        ContactRecord r;
        ClearContactRecord(r);
        r.setText(Field::Name, name.toStdString());
        r.setText(Field::Email, email.toStdString());
        bytes.append(r.bytes.data(), int(r.bytes.size()));
    }
    return bytes;
}

QString nameOf(const QString& handle) {
    const ContactIndexEntry* e = Engine().EntryFromHandle(handle.toStdString());
    return e ? QString::fromLatin1(e->name.c_str()) : QStringLiteral("<stale>");
}

QStringList namesOf(const QStringList& handles) {
    QStringList names;
    for (const QString& h : handles)
        names << nameOf(h);
    return names;
}

QString selectedHandle(const Tmainform& w) {
    const QModelIndexList rows = w.ui()->contacts->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data().toString();
}

// What a results dialog held when it opened.
struct Shown {
    bool opened = false;
    bool leftOpen = false;
    QString searchfor;
    QString found;
    QStringList results;
};

// Runs `start`; once the results dialog is open, records it and runs `drive` on it.
// A dialog that `drive` leaves open is closed, and recorded as left open.
Shown runSearch(const std::function<void()>& start,
                const std::function<void(Tsearchresults&)>& drive) {
    Shown shown;
    const ModalRun run = RunModal<Tsearchresults>(start, [&](Tsearchresults& dialog) {
        shown.searchfor = dialog.ui()->searchfor->text();
        shown.found = dialog.ui()->found->text();
        shown.results = dialog.Results();
        drive(dialog);
    });
    shown.opened = run.driven;
    shown.leftOpen = run.leftOpen;
    return shown;
}

void selectResult(Tsearchresults& d, int row) {
    QListView* list = d.ui()->resultsdisplay;
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

const Contacts kPeople = {{"Pandora", "p@x"},    {"Ann Peters", "pan@x"},
                          {"Peter Pan", "pp@x"}, {"\xC9mile Zola", "e@x"},
                          {"Bob", "bob@x"},      {"Ann Peters", "a2@x"}};

} // namespace

class TstSearch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void emptyListSaysNoRecordsWhateverTheText();
    void textsThatFindNothing_data();
    void textsThatFindNothing();
    void textsThatFindNames_data();
    void textsThatFindNames();
    void enterButtonAndHandlerStartTheSameSearch();
    void resultsFollowTheListsOrderAfterSorting();
    void displayShowsTheChosenContact_data();
    void displayShowsTheChosenContact();
    void displayWithoutSelectionAsksAndStaysOpen();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void namesAreShownAsPlainText();
    void resultsAreDrawnAsTheirNames();

private:
    std::unique_ptr<Tmainform> window(const Contacts& contacts);

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstSearch::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstSearch::cleanup() {
    QVERIFY(seam_->drained());
    QCOMPARE(searchresults, nullptr); // every dialog is destroyed when it closes
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstSearch::window(const Contacts& contacts) {
    return OpenMainWindow(*env_, databaseWith(contacts));
}

void TstSearch::emptyListSaysNoRecordsWhateverTheText() {
    auto w = window({});
    QVERIFY(w);
    for (const QString& text : {QString(), QStringLiteral("Ann")}) {
        seam_->clear();
        w->ui()->e_searchfor->setText(text);
        const Shown shown = runSearch([&] { w->go_search_btnClick(); }, [](Tsearchresults&) {});
        QVERIFY(!shown.opened);
        QCOMPARE(seam_->messages.size(), 1);
        const RecordedMessage& m = seam_->messages.first();
        QCOMPARE(m.title, QStringLiteral("No records found!"));
        QCOMPARE(m.text, QStringLiteral("There are no contacts in your address book.  Please add "
                                        "some contacts and try again."));
        QCOMPARE(m.icon, MsgIcon::Information);
        QCOMPARE(m.owner.data(), w.get());
        QCOMPARE(w->ui()->e_searchfor->text(), text); // the search keeps the box's text
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
    w->ui()->e_searchfor->setText(text);
    w->ui()->match_case->setChecked(matchCase);
    const Shown shown = runSearch([&] { w->go_search_btnClick(); }, [](Tsearchresults&) {});
    QVERIFY(!shown.opened);
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Search found nothing."));
    QCOMPARE(m.text, QStringLiteral("There are no entires in your address book that matched your "
                                    "search criteria."));
    QCOMPARE(m.icon, MsgIcon::Information);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(w->ui()->e_searchfor->text(), text);
    QCOMPARE(w->ui()->match_case->isChecked(), matchCase);
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
    w->ui()->e_searchfor->setText(text);
    w->ui()->match_case->setChecked(matchCase);
    const QStringList listBefore = w->contactsModel()->stringList();
    const Shown shown = runSearch([&] { w->go_search_btnClick(); },
                                  [](Tsearchresults& d) { d.QuenlarkStdButton1Click(nullptr); });
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(shown.searchfor, searchfor);
    QCOMPARE(shown.found, QString::number(names.size()));
    QCOMPARE(namesOf(shown.results), names);
    // Results are the list's own handles, each at most once.
    for (const QString& h : shown.results)
        QCOMPARE(shown.results.count(h), 1);
    QCOMPARE(w->contactsModel()->stringList(), listBefore);
    QCOMPARE(w->ui()->e_searchfor->text(), text);
}

void TstSearch::enterButtonAndHandlerStartTheSameSearch() {
    auto w = window(kPeople);
    QVERIFY(w);
    const auto& ui = *w->ui();
    // Typing goes into the box as usual; only Enter starts the search.
    QTest::keyClicks(ui.e_searchfor, QStringLiteral("PETER"));
    QCOMPARE(ui.e_searchfor->text(), QStringLiteral("PETER"));
    const QList<QPair<const char*, std::function<void()>>> starts = {
        {"Enter", [&] { QTest::keyClick(ui.e_searchfor, Qt::Key_Return); }},
        {"keypad Enter",
         [&] { QTest::keyClick(ui.e_searchfor, Qt::Key_Enter, Qt::KeypadModifier); }},
        {"magnifier", [&] { QTest::mouseClick(ui.QuenlarkSpeedBtn2, Qt::LeftButton); }},
        {"handler", [&] { w->go_search_btnClick(); }},
    };
    for (const auto& [how, start] : starts) {
        const Shown shown =
            runSearch(start, [](Tsearchresults& d) { d.QuenlarkStdButton1Click(nullptr); });
        QVERIFY2(shown.opened, how);
        QCOMPARE(shown.searchfor, QStringLiteral("peter"));
        QCOMPARE(namesOf(shown.results), (QStringList{"Ann Peters", "Peter Pan", "Ann Peters"}));
    }
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(ui.e_searchfor->text(), QStringLiteral("PETER"));
}

void TstSearch::resultsFollowTheListsOrderAfterSorting() {
    auto w = window(kPeople);
    QVERIFY(w);
    w->Descending1->trigger();
    const QStringList list = w->contactsModel()->stringList();
    w->ui()->e_searchfor->setText(QStringLiteral("e"));
    const Shown shown = runSearch([&] { w->go_search_btnClick(); },
                                  [](Tsearchresults& d) { d.QuenlarkStdButton1Click(nullptr); });
    QVERIFY(shown.opened);
    QCOMPARE(namesOf(shown.results),
             (QStringList{"Peter Pan", "\u00c9mile Zola", "Ann Peters", "Ann Peters"}));
    // Exactly the list's items that hold the text, in the list's order.
    QStringList expected;
    for (const QString& h : list)
        if (shown.results.contains(h))
            expected << h;
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
    const auto& ui = *w->ui();
    ui.e_searchfor->setText(QStringLiteral("ann"));
    QString chosen;
    const Shown shown =
        runSearch([&] { w->go_search_btnClick(); },
                  [&](Tsearchresults& d) {
                      selectResult(d, row);
                      chosen = d.SelectedResult();
                      QListView* list = d.ui()->resultsdisplay;
                      const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
                      if (how == QLatin1String("Display button"))
                          QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
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
    QCOMPARE(namesOf(shown.results), (QStringList{"Ann Peters", "Ann Peters"}));
    QCOMPARE(chosen, shown.results.at(row));
    QCOMPARE(selectedHandle(*w), chosen);
    QCOMPARE(w->ui()->contacts->currentIndex().row(),
             w->contactsModel()->stringList().indexOf(chosen));
    QVERIFY(w->SelectedContact() == Engine().EntryFromHandle(chosen.toStdString()));
    QCOMPARE(ui.e_name->text(), QStringLiteral("Ann Peters"));
    QCOMPARE(ui.e_email->text(), row == 0 ? QStringLiteral("pan@x") : QStringLiteral("a2@x"));
    QVERIFY(ui.panel_sendmail->isVisibleTo(w.get()));
}

void TstSearch::displayWithoutSelectionAsksAndStaysOpen() {
    auto w = window(kPeople);
    QVERIFY(w);
    w->ui()->e_searchfor->setText(QStringLiteral("ann"));
    QList<bool> openAfter;
    QPointer<Tsearchresults> dialog;
    const Shown shown = runSearch([&] { w->go_search_btnClick(); },
                                  [&](Tsearchresults& d) {
                                      dialog = &d;
                                      d.ui()->resultsdisplay->setFocus();
                                      QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
                                      openAfter << d.isVisible();
                                      QTest::keyClick(d.ui()->resultsdisplay, Qt::Key_Return);
                                      openAfter << d.isVisible();
                                      QTest::keyClick(d.ui()->resultsdisplay, Qt::Key_Escape);
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
    QVERIFY(dialog.isNull()); // destroyed once closed
    QVERIFY(selectedHandle(*w).isEmpty());
    QVERIFY(w->ui()->e_name->text().isEmpty());
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
    const auto& ui = *w->ui();
    // Bob selected and shown before the search.
    const QString bob = w->contactsModel()->stringList().at(4);
    w->ui()->contacts->selectionModel()->setCurrentIndex(w->contactsModel()->index(4, 0),
                                                         QItemSelectionModel::ClearAndSelect);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));
    ui.e_searchfor->setText(QStringLiteral("pan"));
    const Shown shown =
        runSearch([&] { w->go_search_btnClick(); },
                  [&](Tsearchresults& d) {
                      selectResult(d, 1); // a result chosen, then abandoned
                      if (how == QLatin1String("Cancel button"))
                          QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
                      else if (how == QLatin1String("Escape"))
                          QTest::keyClick(d.ui()->resultsdisplay, Qt::Key_Escape);
                      else if (how == QLatin1String("Alt+C"))
                          QTest::keyClick(d.ui()->resultsdisplay, Qt::Key_C, Qt::AltModifier);
                      else
                          d.close();
                  });
    QVERIFY(shown.opened);
    QVERIFY(!shown.leftOpen);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(selectedHandle(*w), bob);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));
    QCOMPARE(ui.e_email->text(), QStringLiteral("bob@x"));
}

void TstSearch::namesAreShownAsPlainText() {
    auto w = window({{"<b>Ann</b>", "a@x"}});
    QVERIFY(w);
    w->ui()->e_searchfor->setText(QStringLiteral("<B>"));
    Qt::TextFormat format = Qt::RichText;
    const Shown shown = runSearch([&] { w->go_search_btnClick(); },
                                  [&](Tsearchresults& d) {
                                      format = d.ui()->searchfor->textFormat();
                                      d.QuenlarkStdButton1Click(nullptr);
                                  });
    QVERIFY(shown.opened);
    QCOMPARE(shown.searchfor, QStringLiteral("<b>"));
    QCOMPARE(format, Qt::PlainText);
}

void TstSearch::resultsAreDrawnAsTheirNames() {
    auto w = window(kPeople);
    QVERIFY(w);
    w->ui()->e_searchfor->setText(QStringLiteral("pan"));
    QList<QImage> drawn, expected;
    const Shown shown = runSearch(
        [&] { w->go_search_btnClick(); },
        [&](Tsearchresults& d) {
            QListView* list = d.ui()->resultsdisplay;
            const QImage view = list->viewport()->grab().toImage();
            for (int row : {0, 1}) {
                const QRect r = list->visualRect(list->model()->index(row, 0));
                drawn << view.copy(r);
                QImage own(r.size(), view.format());
                QPainter painter(&own);
                DrawContactItem(painter, own.rect(), d.Results().at(row), false, list->font());
                painter.end();
                expected << own;
            }
            d.QuenlarkStdButton1Click(nullptr);
        });
    QVERIFY(shown.opened);
    QCOMPARE(drawn.size(), 2);
    // Each result is drawn as its own contact's name.
    QVERIFY(!samePixels(drawn.at(0), drawn.at(1)));
    QVERIFY(samePixels(drawn.at(0), expected.at(0)));
    QVERIFY(samePixels(drawn.at(1), expected.at(1)));
}

QTEST_MAIN(TstSearch)
#include "tst_search.moc"
