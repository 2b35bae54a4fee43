// The program options: defaults written at start-up, the options dialog and its effects.
#include "controls/quenlarkstdbutton.h"
#include "forms/mainform.h"
#include "forms/options.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QCheckBox>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct Values {
    std::optional<std::int32_t> tooltips, noUrlCheck, emailRequired;
};

// What the settings file on disk holds, read by a store of its own.
Values storedValues(TestEnv& env) {
    SettingsStore file(env.settings().filePath());
    return {file.readNumber(kDisplayTooltipsValue), file.readNumber(kDisableUrlValidationValue),
            file.readNumber(kEmailFieldRequiredValue)};
}

QByteArray settingsBytes(TestEnv& env) {
    QFile f(QString::fromStdString(env.settings().filePath()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Opens the options dialog from the Info menu item and runs `drive` on it while it is
// shown modally. A dialog that `drive` leaves open is cancelled and fails the test.
void withOptionsDialog(Tmainform& w, const std::function<void(Toptions&)>& drive) {
    const ModalRun run = RunModal<Toptions>([&] { w.Programoptions1->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(options == nullptr); // destroyed when it closed
}

void tickAll(Toptions& d) {
    for (QCheckBox* box :
         {d.ui()->dont_show_tips, d.ui()->disable_url_validation, d.ui()->email_required})
        QTest::mouseClick(box, Qt::LeftButton);
}

// Whether hovering over the control shows its hint now.
bool showsTooltip(QWidget* control) {
    QToolTip::hideText();
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), control->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(control, &event);
    return QToolTip::isVisible() && QToolTip::text() == control->toolTip();
}

} // namespace

class TstOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstRunWritesDefaults();
    void missingValueRewrittenOthersKept();
    void emailRequirementTest();
    void dialogLayout();
    void okStoresAllThreeAndAppliesAtOnce();
    void okUnchangedStillWritesAllThree();
    void okByKeys_data();
    void okByKeys();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void tooltipsSwitchedOffAndOnAtOnce();

private:
    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> ui_;
};

void TstOptions::init() {
    env_ = std::make_unique<TestEnv>();
    ui_ = std::make_unique<ScriptedUiSeam>();
}

void TstOptions::cleanup() {
    QVERIFY(ui_->messages.isEmpty());
    ui_.reset();
    env_.reset();
}

void TstOptions::firstRunWritesDefaults() {
    QVERIFY(!env_->settings().valueExists(kDisplayTooltipsValue));
    Tmainform w;
    QVERIFY(w.startedUp());
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(0));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(1));
    QVERIFY(w.displayTooltips());
    QVERIFY(!w.urlValidationDisabled());
    QVERIFY(w.emailRequired());
}

void TstOptions::missingValueRewrittenOthersKept() {
    {
        env_->settings().writeNumber(kDisplayTooltipsValue, 0);
        env_->settings().writeNumber(kEmailFieldRequiredValue, 0);
        Tmainform w;
        QCOMPARE(storedValues(*env_).noUrlCheck, std::optional<std::int32_t>(0));
        QCOMPARE(storedValues(*env_).tooltips, std::optional<std::int32_t>(0));
        QCOMPARE(storedValues(*env_).emailRequired, std::optional<std::int32_t>(0));
        QVERIFY(!w.displayTooltips());
        QVERIFY(!w.urlValidationDisabled());
        QVERIFY(!w.emailRequired());
    }
    // Any value that is not zero reads as true.
    env_->settings().writeNumber(kDisableUrlValidationValue, 7);
    env_->settings().deleteValue(kDisplayTooltipsValue);
    Tmainform w;
    QCOMPARE(storedValues(*env_).tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(storedValues(*env_).noUrlCheck, std::optional<std::int32_t>(7));
    QVERIFY(w.displayTooltips());
    QVERIFY(w.urlValidationDisabled());
    QVERIFY(!w.emailRequired());
}

void TstOptions::emailRequirementTest() {
    Tmainform w;
    QVERIFY(w.emailRequired());
    QVERIFY(!w.EmailRequirementMet());
    w.ui()->e_email->setText(QStringLiteral("ann@example.org"));
    QVERIFY(w.EmailRequirementMet());
    w.ui()->e_email->clear();
    w.ui()->e_2ndemail->setText(QStringLiteral("ann@example.org")); // only the first counts
    QVERIFY(!w.EmailRequirementMet());
    withOptionsDialog(w, [](Toptions& d) {
        QTest::mouseClick(d.ui()->email_required, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!w.emailRequired());
    QVERIFY(w.EmailRequirementMet());
}

void TstOptions::dialogLayout() {
    Tmainform w;
    withOptionsDialog(w, [](Toptions& d) {
        const auto& ui = *d.ui();
        QCOMPARE(d.windowTitle(), QStringLiteral("Quenlark Address Book options"));
        QCOMPARE(d.size(), QSize(333, 162));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Centred, give or take the window frame.
        QVERIFY(qAbs(d.geometry().center().x() - screen.center().x()) <= 3);
        QVERIFY(qAbs(d.geometry().center().y() - screen.center().y()) <= 3);
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(ui.titlebar->geometry(), QRect(0, 0, 333, 29));
        QCOMPARE(ui.titlebar_label->text(), QStringLiteral("Quenlark Address Book Options"));
        QVERIFY(ui.titlebar_label->font().bold());
        QCOMPARE(ui.titlebar_label->font().pixelSize(), 13);
        QCOMPARE(ui.titlebar_label->alignment(), Qt::AlignCenter);
        QCOMPARE(ui.titlebar_bevel->geometry().bottom(), 28);
        QCOMPARE(ui.dont_show_tips->geometry(), QRect(20, 44, 133, 17));
        QCOMPARE(ui.dont_show_tips->text(), QStringLiteral("Display Tool Tips"));
        QCOMPARE(ui.disable_url_validation->geometry(), QRect(20, 68, 285, 17));
        QCOMPARE(ui.disable_url_validation->text(),
                 QStringLiteral("Do not validate URL's when adding/modifying contacts"));
        QCOMPARE(ui.email_required->geometry(), QRect(20, 92, 245, 17));
        QVERIFY(ui.email_required->text().contains(QLatin1String("required")));
        QCOMPARE(ui.QuenlarkStdButton1->geometry(), QRect(164, 128, 75, 23));
        QCOMPARE(ui.QuenlarkStdButton1->Caption(), QStringLiteral("&Cancel"));
        QCOMPARE(ui.QuenlarkStdButton2->geometry(), QRect(244, 128, 75, 23));
        QCOMPARE(ui.QuenlarkStdButton2->Caption(), QStringLiteral("&OK"));
        QVERIFY(ui.QuenlarkStdButton2->Default());
        QVERIFY(!ui.QuenlarkStdButton1->Default());
        // Tab order: the three boxes' first two, Cancel, OK, then the third box.
        QCOMPARE(ui.dont_show_tips->nextInFocusChain(), ui.disable_url_validation);
        QCOMPARE(ui.disable_url_validation->nextInFocusChain(),
                 static_cast<QWidget*>(ui.QuenlarkStdButton1));
        QCOMPARE(ui.QuenlarkStdButton1->nextInFocusChain(),
                 static_cast<QWidget*>(ui.QuenlarkStdButton2));
        QCOMPARE(ui.QuenlarkStdButton2->nextInFocusChain(), ui.email_required);
        // The boxes show the options as they are (first run: on, off, on).
        QVERIFY(ui.dont_show_tips->isChecked());
        QVERIFY(!ui.disable_url_validation->isChecked());
        QVERIFY(ui.email_required->isChecked());
        QTest::mouseClick(ui.QuenlarkStdButton1, Qt::LeftButton);
    });
}

void TstOptions::okStoresAllThreeAndAppliesAtOnce() {
    Tmainform w;
    withOptionsDialog(w, [](Toptions& d) {
        tickAll(d);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!w.displayTooltips());
    QVERIFY(w.urlValidationDisabled());
    QVERIFY(!w.emailRequired());
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(0));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(1));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(0));

    // The dialog opens again with the stored state, and the next run reads it.
    withOptionsDialog(w, [](Toptions& d) {
        QVERIFY(!d.ui()->dont_show_tips->isChecked());
        QVERIFY(d.ui()->disable_url_validation->isChecked());
        QVERIFY(!d.ui()->email_required->isChecked());
        QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
    });
}

void TstOptions::okUnchangedStillWritesAllThree() {
    Tmainform w;
    for (const char* name :
         {kDisplayTooltipsValue, kDisableUrlValidationValue, kEmailFieldRequiredValue})
        env_->settings().deleteValue(name);
    withOptionsDialog(
        w, [](Toptions& d) { QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton); });
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(0));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(1));
}

void TstOptions::okByKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Alt+O") << int(Qt::Key_O) << int(Qt::AltModifier);
}

void TstOptions::okByKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Tmainform w;
    withOptionsDialog(w, [&](Toptions& d) {
        tickAll(d);
        d.ui()->disable_url_validation->setFocus();
        QTest::keyClick(d.ui()->disable_url_validation, Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
    });
    QVERIFY(w.urlValidationDisabled());
    QCOMPARE(storedValues(*env_).noUrlCheck, std::optional<std::int32_t>(1));
}

void TstOptions::cancelChangesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("Alt+C") << "altc";
    QTest::newRow("close box") << "close";
}

void TstOptions::cancelChangesNothing() {
    QFETCH(QString, how);
    Tmainform w;
    const QByteArray before = settingsBytes(*env_);
    QVERIFY(!before.isEmpty());
    int result = -1;
    withOptionsDialog(w, [&](Toptions& d) {
        tickAll(d);
        connect(&d, &QDialog::finished, [&](int r) { result = r; });
        QWidget* focused = d.ui()->dont_show_tips;
        focused->setFocus();
        if (how == "button")
            QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(focused, Qt::Key_Escape);
        else if (how == "altc")
            QTest::keyClick(focused, Qt::Key_C, Qt::AltModifier);
        else
            d.close();
    });
    QCOMPARE(result, Toptions::mrCancel);
    QVERIFY(w.displayTooltips());
    QVERIFY(!w.urlValidationDisabled());
    QVERIFY(w.emailRequired());
    QCOMPARE(settingsBytes(*env_), before);
}

void TstOptions::tooltipsSwitchedOffAndOnAtOnce() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(showsTooltip(w.ui()->btnAdd));
    QVERIFY(showsTooltip(w.ui()->e_searchfor));

    withOptionsDialog(w, [](Toptions& d) {
        QTest::mouseClick(d.ui()->dont_show_tips, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!showsTooltip(w.ui()->btnAdd));
    QVERIFY(!showsTooltip(w.ui()->sendmail)); // inside a hidden panel's image too
    QVERIFY(!showsTooltip(w.ui()->match_case));
    QVERIFY(!w.ui()->btnAdd->toolTip().isEmpty()); // the hints themselves are kept

    withOptionsDialog(w, [](Toptions& d) {
        QTest::mouseClick(d.ui()->dont_show_tips, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(showsTooltip(w.ui()->btnAdd));
    QToolTip::hideText();
}

QTEST_MAIN(TstOptions)
#include "tst_options.moc"
