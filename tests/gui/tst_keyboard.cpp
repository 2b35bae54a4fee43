// The main window from the keyboard alone: function keys, Ctrl+Q, Alt keys, Escape, the
// Enter chain and the key badges.
#include "forms/keybadge.h"
#include "forms/mainform.h"
#include "guitest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QtTest>

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
    void ctrlQClosesWhateverIsSelected();
    void altKeysDropTheirMenus();
    void mailAndWebKeysUseTheSelectedContact();
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

void TstKeyboard::ctrlQClosesWhateverIsSelected() {
    open({NamedContact("Ann", "ann@example.com")});
    ClickRow(*window_, 0);
    QTest::keyClick(child("contacts"), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window_->isVisible());
}

void TstKeyboard::altKeysDropTheirMenus() {
    open();
    for (const auto& [key, menu] :
         {std::pair{Qt::Key_S, "sortMenu"}, std::pair{Qt::Key_B, "backupMenu"}}) {
        QMenu* shown = nullptr;
        QTimer::singleShot(50, [&] {
            shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown)
                shown->close();
        });
        QTest::keyClick(child("nameEdit"), key, Qt::AltModifier);
        QCOMPARE(shown, Menu(*window_, menu));
    }
    QVERIFY(seam_->messages.isEmpty());
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
