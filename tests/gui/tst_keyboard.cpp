// The main window from the keyboard alone: function keys, Ctrl+Q, Alt keys (by the key's
// place, whatever the layout), Escape, the Enter chain and the key badges.
#include "forms/keybadge.h"
#include "forms/mainform.h"
#include "forms/report.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QtTest>
#include <algorithm>

using namespace quenlark;
using namespace quenlark::test;

class TstKeyboard : public GuiTest {
    Q_OBJECT
private slots:
    void cleanup() override;
    void functionKeysMoveTheFocusAndFlipMatchCase();
    void f6WithoutNameAsksLikeAdd();
    void enterChainRunsThroughThePanelAndAdds();
    void escapeClearsThenCloses();
    void keysWorkOnceADialogCloses();
    void ctrlQClosesWhateverIsSelected();
    void altKeysDropTheirMenus();
    void clickDropsTheMenuAtThePointer();
    void altROpensTheReport();
    void unusedAltKeysTypeNothing();
    void altKeysFollowTheKeysPlace_data();
    void altKeysFollowTheKeysPlace();
    void mailAndWebKeysUseTheSelectedContact();
    void shiftF10OpensTheFocusedControlsMenu();
    void badgesShowTheirKeys();

private:
    // The window on these contacts, active, so that its shortcuts work.
    Tmainform& open(const QList<ContactRecord>& records = {});
    QWidget* child(const char* name) { return Child(*window_, name); }

    std::unique_ptr<Tmainform> window_;
};

Tmainform& TstKeyboard::open(const QList<ContactRecord>& records) {
    window_ = window(records);
    if (!window_ || !QTest::qWaitForWindowActive(window_.get()))
        qFatal("the main window did not become active");
    return *window_;
}

void TstKeyboard::cleanup() {
    window_.reset();
    GuiTest::cleanup();
}

void TstKeyboard::functionKeysMoveTheFocusAndFlipMatchCase() {
    open();
    QTest::keyClick(child("nameEdit"), Qt::Key_F1);
    QVERIFY(child("contacts")->hasFocus());
    QTest::keyClick(child("contacts"), Qt::Key_F3);
    QVERIFY(child("searchEdit")->hasFocus());
    QTest::keyClick(child("searchEdit"), Qt::Key_F5);
    QVERIFY(child("nameEdit")->hasFocus());

    auto* matchCase = Child<QCheckBox>(*window_, "matchCaseBox");
    const bool before = matchCase->isChecked();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F4, Qt::NoModifier}, std::pair{Qt::Key_C, Qt::AltModifier}}) {
        QTest::keyClick(child("nameEdit"), key, modifiers);
        QCOMPARE(matchCase->isChecked(), !before);
        QTest::keyClick(child("nameEdit"), key, modifiers);
        QCOMPARE(matchCase->isChecked(), before);
    }
    QCOMPARE(Child<QLineEdit>(*window_, "nameEdit")->text(), QString()); // Alt+C typed nothing
}

void TstKeyboard::f6WithoutNameAsksLikeAdd() {
    open();
    QTest::mouseClick(child("addButton"), Qt::LeftButton);
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage byClick = seam_->messages.takeFirst();
    QTest::keyClick(child("nicknameEdit"), Qt::Key_F6);
    QCOMPARE(seam_->messages.size(), 1);
    QCOMPARE(seam_->messages[0].title, byClick.title);
    QCOMPARE(seam_->messages[0].text, byClick.text);
    QCOMPARE(seam_->messages[0].icon, byClick.icon);
    QCOMPARE(env_->databaseBytes().size(), 36);
}

void TstKeyboard::enterChainRunsThroughThePanelAndAdds() {
    open();
    const QList<QPair<const char*, QString>> boxes = {{"nameEdit", "Ann Lee"},
                                                      {"nicknameEdit", "Annie"},
                                                      {"emailEdit", "ann@example.com"},
                                                      {"secondEmailEdit", "lee@example.org"},
                                                      {"webSiteEdit", "http://ann.example"},
                                                      {"phoneEdit", "555 1234"},
                                                      {"mobileEdit", "021 555"},
                                                      {"addressEdit", "1 Main St"},
                                                      {"zipCodeEdit", "6011"},
                                                      {"cityEdit", "Wellington"}};
    child("nameEdit")->setFocus();
    for (const auto& [name, text] : boxes) {
        QWidget* box = child(name);
        QVERIFY2(box->hasFocus(), name);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    auto* country = Child<QComboBox>(*window_, "countryBox");
    QVERIFY(country->hasFocus());
    country->setCurrentIndex(146); // New Zealand
    QTest::keyClick(country, Qt::Key_Return);

    QVERIFY(seam_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(file.size(), 36 + 2444);
    const char* rec = file.constData() + 36;
    QCOMPARE(QByteArray(rec), QByteArray("Ann Lee"));
    QCOMPARE(QByteArray(rec + 1320), QByteArray("555 1234"));
    QCOMPARE(QByteArray(rec + 2340), QByteArray("6011"));
    QCOMPARE(QByteArray(rec + 2085), QByteArray("Wellington"));
    QCOMPARE(int(static_cast<unsigned char>(rec[2440])), 146);
    QVERIFY(child("nameEdit")->hasFocus());
}

void TstKeyboard::escapeClearsThenCloses() {
    open({NamedContact("Ann", "ann@example.com")});
    ClickRow(*window_, 0);
    auto* name = Child<QLineEdit>(*window_, "nameEdit");
    QCOMPARE(name->text(), QStringLiteral("Ann"));
    QTest::keyClick(child("emailEdit"), Qt::Key_Escape);
    QVERIFY(window_->isVisible());
    QCOMPARE(name->text(), QString());
    QVERIFY(!window_->selectedContact());
    QTest::keyClick(name, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
}

// Once a dialog closes, the window's own keys work again at once, although nothing is
// clicked: F1 and Down select the first contact, so the first Escape clears the selection
// and only the second closes the window.
void TstKeyboard::keysWorkOnceADialogCloses() {
    open({NamedContact("Ann", "ann@example.com")});
    RunModal<Treportgen>([&] { QTest::keyClick(child("nameEdit"), Qt::Key_R, Qt::AltModifier); },
                         [](Treportgen& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    QTRY_COMPARE(QApplication::activeWindow(), window_.get());
    for (const Qt::Key key : {Qt::Key_F1, Qt::Key_Down, Qt::Key_Escape})
        QTest::keyClick(window_->focusWidget(), key);
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->selectedContact());
    QTest::keyClick(window_->focusWidget(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
}

void TstKeyboard::ctrlQClosesWhateverIsSelected() {
    open({NamedContact("Ann", "ann@example.com")});
    ClickRow(*window_, 0);
    QTest::keyClick(child("contacts"), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window_->isVisible());
}

void TstKeyboard::altKeysDropTheirMenus() {
    open();
    for (const auto& [key, menu, button] : {std::tuple{Qt::Key_S, "sortMenu", "sortButton"},
                                            std::tuple{Qt::Key_B, "backupMenu", "backupButton"},
                                            std::tuple{Qt::Key_I, "infoMenu", "infoButton"}}) {
        // Wherever the pointer is, the menu drops down just below its button, centred on it.
        QCursor::setPos(window_->mapToGlobal(QPoint(5, 5)));
        QMenu* shown = nullptr;
        QRect at;
        QTimer::singleShot(50, [&] {
            shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown) {
                at = shown->geometry();
                shown->close();
            }
        });
        QTest::keyClick(child("nameEdit"), key, Qt::AltModifier);
        QCOMPARE(shown, Menu(*window_, menu));
        const QWidget* owner = child(button);
        const QPoint bottomCentre = owner->mapToGlobal(QPoint(owner->width() / 2, owner->height()));
        QCOMPARE(at.top(), bottomCentre.y());
        // Centred on the button, as far as the screen's edges let it.
        const QRect screen = window_->screen()->geometry();
        const int left = std::clamp(bottomCentre.x() - at.width() / 2, screen.left(),
                                    screen.right() + 1 - at.width());
        // (Qt keeps a menu a frame's width inside the screen.)
        QVERIFY2(std::abs(at.left() - left) <= 2, menu);
    }
    QVERIFY(seam_->messages.isEmpty());
}

void TstKeyboard::clickDropsTheMenuAtThePointer() {
    open();
    QWidget* sort = child("sortButton");
    const QPoint inside(sort->width() - 3, 3);
    QCursor::setPos(sort->mapToGlobal(inside));
    QRect at;
    QTimer::singleShot(50, [&] {
        if (auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            at = shown->geometry();
            shown->close();
        }
    });
    QTest::mouseClick(sort, Qt::LeftButton, {}, inside);
    QVERIFY(at.isValid());
    QCOMPARE(at.top(), sort->mapToGlobal(inside).y());
}

void TstKeyboard::altROpensTheReport() {
    open();
    const ModalRun run = RunModal<Treportgen>(
        [&] { QTest::keyClick(child("nameEdit"), Qt::Key_R, Qt::AltModifier); },
        [](Treportgen&) {});
    QVERIFY(run.driven);
    QCOMPARE(Child<QLineEdit>(*window_, "nameEdit")->text(), QString());
    QVERIFY(child("reportButton")->toolTip().contains(QStringLiteral("Alt+R")));
    QVERIFY(child("infoButton")->toolTip().contains(QStringLiteral("Alt+I")));
}

void TstKeyboard::unusedAltKeysTypeNothing() {
    open();
    for (const char* name : {"nameEdit", "searchEdit", "cityEdit"}) {
        auto* edit = Child<QLineEdit>(*window_, name);
        edit->setFocus();
        for (const Qt::Key key : {Qt::Key_Q, Qt::Key_Z, Qt::Key_5, Qt::Key_0})
            QTest::keyClick(edit, key, Qt::AltModifier);
        QCOMPARE(edit->text(), QString());
        // Without Alt the same keys type as ever.
        QTest::keyClicks(edit, QStringLiteral("qz5"));
        QCOMPARE(edit->text(), QStringLiteral("qz5"));
    }
    QVERIFY(seam_->messages.isEmpty());
}

void TstKeyboard::altKeysFollowTheKeysPlace_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("scanCode");
    // X key codes: 38 is the key of A, 32 the key of O, 54 the key of C.
    QTest::newRow("Cyrillic Ф on A") << 0x424 << QStringLiteral("\u0444") << 38u;
    QTest::newRow("Greek Α on A") << 0x391 << QStringLiteral("\u03B1") << 38u;
    QTest::newRow("Cyrillic Щ on O") << 0x429 << QStringLiteral("\u0449") << 32u;
    // The Russian layout's letters on the US layout's punctuation keys ; ' , . [ ] `.
    const std::tuple<const char*, int, quint32> punctuationKeys[] = {
        {"ж", 0x416, 47}, {"э", 0x42D, 48}, {"б", 0x411, 59}, {"ю", 0x42E, 60},
        {"х", 0x425, 34}, {"ъ", 0x42A, 35}, {"ё", 0x401, 49}};
    for (const auto& [letter, key, scanCode] : punctuationKeys)
        QTest::newRow(letter) << key << QString::fromUtf8(letter) << scanCode;
}

void TstKeyboard::altKeysFollowTheKeysPlace() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(quint32, scanCode);
    open();
    auto* name = Child<QLineEdit>(*window_, "nameEdit");
    name->setFocus();
    // As the desktop delivers a key: offered to the shortcuts first, then pressed.
    const auto send = [&](QEvent::Type type) {
        QKeyEvent event(type, key, Qt::AltModifier, scanCode, 0, 0, text);
        QApplication::sendEvent(name, &event);
    };
    send(QEvent::ShortcutOverride);
    send(QEvent::KeyPress);
    send(QEvent::KeyRelease);
    QCOMPARE(name->text(), QString());
    if (scanCode == 38) { // Alt+A: Add, with no name given
        QCOMPARE(seam_->messages.size(), 1);
        QCOMPARE(seam_->messages[0].title, QStringLiteral("Specify required fields!"));
    } else { // no command on O: nothing happens, nothing is typed
        QVERIFY(seam_->messages.isEmpty());
    }
}

void TstKeyboard::mailAndWebKeysUseTheSelectedContact() {
    ContactRecord ann = NamedContact("Ann", "ann@example.com");
    ann.setText(Field::WebSite, "http://ann.example");
    open({ann});
    QTest::keyClick(child("nameEdit"), Qt::Key_F9);
    QTest::keyClick(child("nameEdit"), Qt::Key_F10);
    QVERIFY(seam_->launches.isEmpty()); // nothing selected
    ClickRow(*window_, 0);
    QTest::keyClick(child("nameEdit"), Qt::Key_F9);
    QTest::keyClick(child("nameEdit"), Qt::Key_F10);
    QCOMPARE(seam_->launches.size(), 2);
    QCOMPARE(seam_->launches[0].target, QStringLiteral("mailto:ann@example.com"));
    QCOMPARE(seam_->launches[1].target, QStringLiteral("http://ann.example"));
}

// Shift+F10 opens the menu of the focused control, as the Menu key does: the list's own menu
// at its current item, an edit box's menu of its own.
void TstKeyboard::shiftF10OpensTheFocusedControlsMenu() {
    open({NamedContact("Ann", "ann@example.com"), NamedContact("Bob", "bob@example.com")});
    auto* list = Child<QListView>(*window_, "contacts");
    for (const Qt::Key key : {Qt::Key_F1, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(window_->focusWidget(), key);
    QCOMPARE(ListedNames(*window_).at(list->currentIndex().row()), QStringLiteral("Bob"));
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QCOMPARE(shown, Menu(*window_, "contactListMenu"));
    const QRect item = list->visualRect(list->currentIndex());
    QCOMPARE(shown->geometry().topLeft(), list->viewport()->mapToGlobal(item.center()));
    shown->close();

    QTest::keyClick(window_->focusWidget(), Qt::Key_F5);
    QTest::keyClick(child("nameEdit"), Qt::Key_F10, Qt::ShiftModifier);
    shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(shown && shown != Menu(*window_, "contactListMenu"));
    shown->close();
    QVERIFY(seam_->launches.isEmpty()); // F10 without Shift opens the web site
}

void TstKeyboard::badgesShowTheirKeys() {
    open();
    const QColor fill(0x36, 0x61, 0x8B), frame(0x9F, 0x9F, 0x00);
    for (int key = 1; key <= 10; ++key) {
        const QByteArray name = "f" + QByteArray::number(key) + "Badge";
        auto* badge = Child<KeyBadge>(*window_, name.constData());
        QCOMPARE(badge->Tag(), key);
        const QImage image = badge->grab().toImage();
        const int w = image.width(), h = image.height();
        QCOMPARE(image.pixelColor(0, 0), frame);
        QCOMPARE(image.pixelColor(w - 1, h - 1), frame);
        QCOMPARE(image.pixelColor(w - 2, h - 2), fill);
        int white = 0, rightmost = 0;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x)
                if (qGray(image.pixel(x, y)) > 160) {
                    ++white;
                    rightmost = std::max(rightmost, x);
                }
        QVERIFY2(white > 5, name.constData());
        if (key == 10) // "F10" reaches further into its wider box than "F1"
            QVERIFY(rightmost > 12);
    }
}

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
