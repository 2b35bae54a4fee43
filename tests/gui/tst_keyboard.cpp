// The main window from the keyboard alone: function keys, Ctrl+Q, Alt keys, Escape, the
// Enter chain and the key badges.
#include "forms/mainform.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStringListModel>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

class TstKeyboard : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void functionKeysMoveTheFocusAndFlipMatchCase();
    void f6WithoutNameAsksLikeAdd();
    void enterChainRunsThroughThePanelAndAdds();
    void escapeClearsThenCloses();
    void ctrlQClosesWhateverIsSelected();
    void altKeysDropTheirMenus();
    void mailAndWebKeysUseTheSelectedContact();
    void badgesShowTheirKeys();

private:
    Tmainform& window();
    void addContact(const QString& name, const QString& email, const QString& web = {});
    void select(int row);

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> ui_;
    std::unique_ptr<Tmainform> window_;
};

void TstKeyboard::init() {
    env_ = std::make_unique<TestEnv>();
    ui_ = std::make_unique<ScriptedUiSeam>();
    window_ = std::make_unique<Tmainform>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void TstKeyboard::cleanup() {
    window_.reset();
    QVERIFY(ui_->drained());
    ui_.reset();
    env_.reset();
}

Tmainform& TstKeyboard::window() {
    return *window_;
}

void TstKeyboard::addContact(const QString& name, const QString& email, const QString& web) {
    ContactRecord r;
    ClearContactRecord(r);
    r.setText(Field::Name, name.toStdString());
    r.setText(Field::Email, email.toStdString());
    r.setText(Field::WebSite, web.toStdString());
    QVERIFY(Engine().AppendContact(r));
    window().RefreshAfterChange();
}

void TstKeyboard::select(int row) {
    QListView* list = window().ui()->contacts;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(window().contactsModel()->index(row)).center());
}

void TstKeyboard::functionKeysMoveTheFocusAndFlipMatchCase() {
    auto* ui = window().ui();
    QTest::keyClick(ui->e_name, Qt::Key_F1);
    QVERIFY(ui->contacts->hasFocus());
    QTest::keyClick(ui->contacts, Qt::Key_F3);
    QVERIFY(ui->e_searchfor->hasFocus());
    QTest::keyClick(ui->e_searchfor, Qt::Key_F5);
    QVERIFY(ui->e_name->hasFocus());

    const bool before = ui->match_case->isChecked();
    QTest::keyClick(ui->e_name, Qt::Key_F4);
    QCOMPARE(ui->match_case->isChecked(), !before);
    QTest::keyClick(ui->e_name, Qt::Key_F4);
    QCOMPARE(ui->match_case->isChecked(), before);
    QTest::keyClick(ui->e_name, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(ui->match_case->isChecked(), !before);
    QTest::keyClick(ui->e_name, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(ui->match_case->isChecked(), before);
    QCOMPARE(ui->e_name->text(), QString()); // nothing typed by the Alt key
}

void TstKeyboard::f6WithoutNameAsksLikeAdd() {
    auto* ui = window().ui();
    QTest::mouseClick(ui->btnAdd, Qt::LeftButton);
    QCOMPARE(ui_->messages.size(), 1);
    const RecordedMessage byClick = ui_->messages.takeFirst();
    QTest::keyClick(ui->e_nickname, Qt::Key_F6);
    QCOMPARE(ui_->messages.size(), 1);
    QCOMPARE(ui_->messages[0].title, byClick.title);
    QCOMPARE(ui_->messages[0].text, byClick.text);
    QCOMPARE(ui_->messages[0].icon, byClick.icon);
    QCOMPARE(env_->databaseBytes().size(), 36);
}

void TstKeyboard::enterChainRunsThroughThePanelAndAdds() {
    auto* ui = window().ui();
    const QList<QPair<QLineEdit*, QString>> boxes = {{ui->e_name, "Ann Lee"},
                                                     {ui->e_nickname, "Annie"},
                                                     {ui->e_email, "ann@example.com"},
                                                     {ui->e_2ndemail, "lee@example.org"},
                                                     {ui->e_website, "http://ann.example"},
                                                     {ui->e_phone, "555 1234"},
                                                     {ui->e_mobile, "021 555"},
                                                     {ui->e_address, "1 Main St"},
                                                     {ui->e_zipcode, "6011"},
                                                     {ui->e_city, "Wellington"}};
    ui->e_name->setFocus();
    for (const auto& [box, text] : boxes) {
        QVERIFY2(box->hasFocus(), qPrintable(box->objectName()));
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QVERIFY(ui->e_country->hasFocus());
    ui->e_country->setCurrentIndex(146); // New Zealand
    QTest::keyClick(ui->e_country, Qt::Key_Return);

    QVERIFY(ui_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(file.size(), 36 + 2444);
    const char* rec = file.constData() + 36;
    QCOMPARE(QByteArray(rec), QByteArray("Ann Lee"));
    QCOMPARE(QByteArray(rec + 1320), QByteArray("555 1234"));
    QCOMPARE(QByteArray(rec + 2340), QByteArray("6011"));
    QCOMPARE(QByteArray(rec + 2085), QByteArray("Wellington"));
    QCOMPARE(int(static_cast<unsigned char>(rec[2440])), 146);
    QVERIFY(ui->e_name->hasFocus());
}

void TstKeyboard::escapeClearsThenCloses() {
    addContact("Ann", "ann@example.com");
    select(0);
    QCOMPARE(window().ui()->e_name->text(), QStringLiteral("Ann"));
    QTest::keyClick(window().ui()->e_email, Qt::Key_Escape);
    QVERIFY(window().isVisible());
    QCOMPARE(window().ui()->e_name->text(), QString());
    QVERIFY(!window().SelectedContact());
    QTest::keyClick(window().ui()->e_name, Qt::Key_Escape);
    QVERIFY(!window().isVisible());
}

void TstKeyboard::ctrlQClosesWhateverIsSelected() {
    addContact("Ann", "ann@example.com");
    select(0);
    QTest::keyClick(window().ui()->contacts, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window().isVisible());
}

void TstKeyboard::altKeysDropTheirMenus() {
    for (const auto& [key, menu] :
         {std::pair{Qt::Key_S, window().sortpopup}, std::pair{Qt::Key_B, window().backup_popup}}) {
        QMenu* shown = nullptr;
        QTimer::singleShot(50, [&] {
            shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown)
                shown->close();
        });
        QTest::keyClick(window().ui()->e_name, key, Qt::AltModifier);
        QCOMPARE(shown, menu);
    }
    QVERIFY(ui_->messages.isEmpty());
}

void TstKeyboard::mailAndWebKeysUseTheSelectedContact() {
    QTest::keyClick(window().ui()->e_name, Qt::Key_F9);
    QTest::keyClick(window().ui()->e_name, Qt::Key_F10);
    QVERIFY(ui_->launches.isEmpty()); // nothing selected
    addContact("Ann", "ann@example.com", "http://ann.example");
    select(0);
    QTest::keyClick(window().ui()->e_name, Qt::Key_F9);
    QTest::keyClick(window().ui()->e_name, Qt::Key_F10);
    QCOMPARE(ui_->launches.size(), 2);
    QCOMPARE(ui_->launches[0].target, QStringLiteral("mailto:ann@example.com"));
    QCOMPARE(ui_->launches[1].target, QStringLiteral("http://ann.example"));
}

void TstKeyboard::badgesShowTheirKeys() {
    const QColor fill(0x36, 0x61, 0x8B), frame(0x9F, 0x9F, 0x00);
    const std::array<QWidget*, 10> badges = window().keyBadges();
    for (int i = 0; i < 10; ++i) {
        QWidget* badge = badges[std::size_t(i)];
        QCOMPARE(badge->property("Tag").toInt(), i + 1);
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
        QVERIFY2(white > 5, qPrintable(badge->objectName()));
        if (i == 9) // "F10" reaches further into its wider box than "F1"
            QVERIFY(rightmost > 12);
    }
}

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
