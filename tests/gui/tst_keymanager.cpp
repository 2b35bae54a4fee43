#include "controls/quenlarkkeymanager.h"
#include "scripteduiseam.h"

#include <QAction>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>

using quenlark::TQuenlarkKeyManager;
using quenlark::TShiftFlag;
using quenlark::TShiftState;

namespace {

// A focusable widget that writes down the keys it receives.
class KeyRecorder : public QWidget {
public:
    KeyRecorder(QWidget* parent, QStringList& log) : QWidget(parent), log_(log) {
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        log_ << QStringLiteral("widget %1 %2 '%3'")
                    .arg(QKeySequence(event->key()).toString())
                    .arg(event->modifiers().testFlag(Qt::AltModifier) ? "alt" : "-")
                    .arg(event->text());
        event->ignore();
    }

private:
    QStringList& log_;
};

} // namespace

class TestKeyManager : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keyTable_data();
    void keyTable();
    void keyGoesOnToTheFocusedWidget();
    void lettersOfOtherScriptsGoByTheKeysPlace();
    void altLetterActsOnceBesideMnemonic();
    void previousHandlerRunsFirstAndCanStopTheManager();
    void cancelCurrentLastsOneKey();
    void keysOfOtherWindowsAreNotSeen();
    void dialogKeepsTheResultItsHandlerGave();

private:
    void showForm(QWidget* focus);
    // Every key of the manager writes itself down, but for the letters in `except`.
    void bindEverything(const char* except = "B");

    QStringList log;
    std::unique_ptr<QWidget> form;
    QLineEdit* edit = nullptr;
    QPushButton* addButton = nullptr;
    KeyRecorder* recorder = nullptr;
    TQuenlarkKeyManager* keys = nullptr;
    std::unique_ptr<quenlark::test::ScriptedUiSeam> seam;
};

void TestKeyManager::init() {
    log.clear();
    seam = std::make_unique<quenlark::test::ScriptedUiSeam>();
    form = std::make_unique<QWidget>();
    form->setObjectName(QStringLiteral("form"));
    form->resize(300, 150);
    edit = new QLineEdit(form.get());
    edit->setGeometry(10, 10, 120, 20);
    addButton = new QPushButton(QStringLiteral("&Add"), form.get());
    addButton->setGeometry(10, 40, 80, 24);
    connect(addButton, &QPushButton::clicked, this, [this] { log << QStringLiteral("button"); });
    recorder = new KeyRecorder(form.get(), log);
    recorder->setGeometry(10, 80, 50, 20);
}

void TestKeyManager::cleanup() {
    form.reset();
    keys = nullptr;
    QVERIFY(seam->drained());
    seam.reset();
}

void TestKeyManager::showForm(QWidget* focus) {
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    focus->setFocus();
    QTRY_VERIFY(focus->hasFocus());
}

void TestKeyManager::bindEverything(const char* except) {
    connect(keys->defaultKey(), &QAction::triggered, this, [this] { log << "default"; });
    connect(keys->cancelKey(), &QAction::triggered, this, [this] { log << "cancel"; });
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (!std::strchr(except, letter))
            connect(keys->altKey(letter), &QAction::triggered, this,
                    [this, letter] { log << QStringLiteral("alt %1").arg(QChar(letter)); });
}

void TestKeyManager::keyTable_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("expected"); // empty: no event

    using M = Qt::KeyboardModifiers;
    QTest::newRow("enter") << int(Qt::Key_Return) << M() << "default";
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << M(Qt::KeypadModifier) << "default";
    QTest::newRow("alt+enter") << int(Qt::Key_Return) << M(Qt::AltModifier) << "default";
    QTest::newRow("ctrl+enter") << int(Qt::Key_Return) << M(Qt::ControlModifier) << "default";
    QTest::newRow("escape") << int(Qt::Key_Escape) << M() << "cancel";
    QTest::newRow("shift+escape") << int(Qt::Key_Escape) << M(Qt::ShiftModifier) << "cancel";
    QTest::newRow("alt+a") << int(Qt::Key_A) << M(Qt::AltModifier) << "alt A";
    QTest::newRow("alt+shift+a") << int(Qt::Key_A) << M(Qt::AltModifier | Qt::ShiftModifier)
                                 << "alt A";
    QTest::newRow("ctrl+alt+z") << int(Qt::Key_Z) << M(Qt::AltModifier | Qt::ControlModifier)
                                << "alt Z";
    QTest::newRow("alt+m") << int(Qt::Key_M) << M(Qt::AltModifier) << "alt M";
    QTest::newRow("alt+b unbound") << int(Qt::Key_B) << M(Qt::AltModifier) << "";
    QTest::newRow("alt+5") << int(Qt::Key_5) << M(Qt::AltModifier) << "";
    QTest::newRow("alt+f4") << int(Qt::Key_F4) << M(Qt::AltModifier) << "";
    QTest::newRow("plain a") << int(Qt::Key_A) << M() << "";
    QTest::newRow("ctrl+x") << int(Qt::Key_X) << M(Qt::ControlModifier) << "";
}

void TestKeyManager::keyTable() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, expected);
    keys = new TQuenlarkKeyManager(form.get());
    bindEverything();
    addButton->setText(QStringLiteral("Add")); // no mnemonic here
    showForm(edit);

    QTest::keyClick(edit, Qt::Key(key), modifiers);
    QCOMPARE(log, expected.isEmpty() ? QStringList() : QStringList{expected});
}

void TestKeyManager::lettersOfOtherScriptsGoByTheKeysPlace() {
    using quenlark::UsLayoutKeyAt;
    using quenlark::VirtualKeyFromEvent;
    // The ends of each row of the main block, and the keys just beside them.
    QCOMPARE(UsLayoutKeyAt(10), quint16('1'));
    QCOMPARE(UsLayoutKeyAt(19), quint16('0'));
    QCOMPARE(UsLayoutKeyAt(24), quint16('Q'));
    QCOMPARE(UsLayoutKeyAt(33), quint16('P'));
    QCOMPARE(UsLayoutKeyAt(38), quint16('A'));
    QCOMPARE(UsLayoutKeyAt(46), quint16('L'));
    QCOMPARE(UsLayoutKeyAt(52), quint16('Z'));
    QCOMPARE(UsLayoutKeyAt(58), quint16('M'));
    for (const quint32 other : {0u, 9u, 20u, 23u, 34u, 47u, 59u, 65u})
        QCOMPARE(UsLayoutKeyAt(other), quint16(0));

    const auto key = [](int qtKey, const QString& text, quint32 scanCode) {
        const QKeyEvent event(QEvent::KeyPress, qtKey, Qt::AltModifier, scanCode, 0, 0, text);
        return VirtualKeyFromEvent(event);
    };
    // A Latin letter is its own key, wherever it lies (the French layout's A is on Q).
    QCOMPARE(key(Qt::Key_A, QStringLiteral("a"), 24), quint16('A'));
    // Cyrillic and Greek letters are the letter of their place.
    QCOMPARE(key(0x0419, QStringLiteral("\u0439"), 24), quint16('Q'));
    QCOMPARE(key(0x03A3, QStringLiteral("\u03C3"), 39), quint16('S'));
    // Other keys keep their own codes; a Cyrillic letter on the US layout's comma key is no
    // letter key at all.
    QCOMPARE(key(Qt::Key_F4, QString(), 70), quint16(115));
    QCOMPARE(key(0x0411, QStringLiteral("\u0431"), 59), quint16(0));
}

void TestKeyManager::keyGoesOnToTheFocusedWidget() {
    keys = new TQuenlarkKeyManager(form.get());
    bindEverything();
    showForm(recorder);

    QTest::keyClick(recorder, Qt::Key_Return);
    QTest::keyClick(recorder, Qt::Key_Escape);
    QTest::keyClick(recorder, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(log, (QStringList{QStringLiteral("default"), QStringLiteral("widget Return - '\r'"),
                               QStringLiteral("cancel"), QStringLiteral("widget Esc - '\x1b'"),
                               QStringLiteral("widget Alt alt ''"), // the Alt key itself
                               // An Alt key the manager used ends there: nothing is typed.
                               QStringLiteral("alt C")}));

    // A letter the manager does not use reaches the widget as Qt gives it.
    log.clear();
    QTest::keyClick(recorder, Qt::Key_B, Qt::AltModifier);
    QCOMPARE(log, (QStringList{QStringLiteral("widget Alt alt ''"),
                               QStringLiteral("widget B alt 'b'")}));
}

void TestKeyManager::altLetterActsOnceBesideMnemonic() {
    keys = new TQuenlarkKeyManager(form.get());
    connect(keys->altKey('a'), &QAction::triggered, this,
            [this] { log << QStringLiteral("alt A"); });
    edit->setText(QStringLiteral("Ann"));
    showForm(edit);

    QTest::keyClick(edit, Qt::Key_A, Qt::AltModifier);
    QVERIFY(!addButton->isDown()); // the mnemonic would have pressed it at once
    QCOMPARE(log, QStringList{QStringLiteral("alt A")});
    QCOMPARE(edit->text(), QStringLiteral("Ann")); // nothing typed
    QVERIFY(edit->hasFocus());

    // With the letter's action disabled, the button's own mnemonic works as usual.
    log.clear();
    keys->altKey('A')->setEnabled(false);
    QTest::keyClick(edit, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(log, QStringList{QStringLiteral("button")});
    QCOMPARE(edit->text(), QStringLiteral("Ann"));
}

void TestKeyManager::previousHandlerRunsFirstAndCanStopTheManager() {
    auto* shortcut = new QAction(form.get());
    shortcut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    form->addAction(shortcut);
    connect(shortcut, &QAction::triggered, this, [this] { log << QStringLiteral("ctrl+q"); });

    quenlark::SetFormKeyDown(form.get(), [this](QObject* sender, quint16& key, TShiftState shift) {
        log << QStringLiteral("prev %1 %2 %3%4%5")
                   .arg(sender == form.get() ? "form" : "other")
                   .arg(key)
                   .arg(shift.testFlag(TShiftFlag::Shift) ? "S" : "")
                   .arg(shift.testFlag(TShiftFlag::Alt) ? "A" : "")
                   .arg(shift.testFlag(TShiftFlag::Ctrl) ? "C" : "");
        if (key == 113) // F2 stands for Enter
            key = quenlark::kVkReturn;
        if (key == '5') // Alt+5 stands for Alt+Z
            key = 'Z';
        if (key == quenlark::kVkEscape)
            keys->CancelCurrent();
    });
    keys = new TQuenlarkKeyManager(form.get());
    bindEverything();
    showForm(edit);

    QTest::keyClick(edit, Qt::Key_F2);
    QTest::keyClick(edit, Qt::Key_5, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_X); // typed into the box
    QTest::keyClick(edit, Qt::Key_Q, Qt::ControlModifier);
    // Each key press, modifier keys included, is seen once.
    QCOMPARE(log, (QStringList{"prev form 113 ", "default", //
                               "prev form 16 S", "prev form 18 SA", "prev form 53 SA",
                               "alt Z",         //
                               "prev form 27 ", // cancelled: no OnCancel
                               "prev form 88 ", //
                               "prev form 17 C", "prev form 81 C", "ctrl+q"}));
    QCOMPARE(edit->text(), QStringLiteral("x"));

    // Destroyed, the manager hands the form back its previous handler.
    delete keys;
    keys = nullptr;
    log.clear();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(log, QStringList{QStringLiteral("prev form 13 ")});
}

void TestKeyManager::cancelCurrentLastsOneKey() {
    keys = new TQuenlarkKeyManager(form.get());
    bindEverything("D");
    connect(keys->altKey('D'), &QAction::triggered, this, [this] {
        log << QStringLiteral("alt D");
        keys->CancelCurrent();
    });
    showForm(edit);

    QTest::keyClick(edit, Qt::Key_D, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(log, (QStringList{"alt D", "default"}));

    // Called directly, as a form's own key-down handler would.
    log.clear();
    quint16 key = quenlark::kVkEscape;
    keys->COnKeyDown(form.get(), key, TShiftState(TShiftFlag::Alt));
    keys->ProcessAltKey('5');
    keys->ProcessAltKey('Q');
    QCOMPARE(log, (QStringList{"cancel", "alt Q"}));
}

void TestKeyManager::keysOfOtherWindowsAreNotSeen() {
    keys = new TQuenlarkKeyManager(form.get());
    bindEverything();
    QWidget otherWindow;
    auto* otherEdit = new QLineEdit(&otherWindow);
    otherWindow.show();
    otherWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
    otherEdit->setFocus();

    QTest::keyClick(otherEdit, Qt::Key_Return);
    QTest::keyClick(otherEdit, Qt::Key_A, Qt::AltModifier);
    QVERIFY(log.isEmpty());
}

void TestKeyManager::dialogKeepsTheResultItsHandlerGave() {
    QDialog dialog;
    auto* box = new QLineEdit(&dialog);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->move(0, 30);
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, &dialog, [&] { dialog.done(2); });
    auto* dialogKeys = new TQuenlarkKeyManager(&dialog);
    connect(dialogKeys->defaultKey(), &QAction::triggered, &dialog, [&] { dialog.done(1); });
    connect(dialogKeys->cancelKey(), &QAction::triggered, &dialog, [&] { dialog.done(2); });

    for (const auto& [key, result] : {std::pair{Qt::Key_Escape, 2}, std::pair{Qt::Key_Return, 1}}) {
        QTimer::singleShot(0, &dialog, [&, key = key] {
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            box->setFocus();
            QTest::keyClick(box, key);
        });
        QCOMPARE(dialog.exec(), result);
    }
}

QTEST_MAIN(TestKeyManager)
#include "tst_keymanager.moc"
