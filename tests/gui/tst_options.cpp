// The program options: defaults written at start-up, the options dialog and its effects.
#include "controls/quenlarkstdbutton.h"
#include "forms/mainform.h"
#include "forms/options.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
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
    return {file.findNumber(kDisplayTooltipsValue), file.findNumber(kDisableUrlValidationValue),
            file.findNumber(kEmailFieldRequiredValue)};
}

QByteArray settingsBytes(TestEnv& env) {
    QFile f(QString::fromStdString(env.settings().filePath()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Opens the options dialog from the Info menu item and runs `drive` on it while it is
// shown modally. A dialog that `drive` leaves open is cancelled and fails the test.
void withOptionsDialog(Tmainform& w, const std::function<void(Toptions&)>& drive) {
    const ModalRun run = RunModal<Toptions>([&] { Action(w, "optionsItem")->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(run.destroyed); // destroyed when it closed
}

QCheckBox* box(const Toptions& d, const char* name) {
    return Child<QCheckBox>(d, name);
}

void tickAll(Toptions& d) {
    for (const char* name : {"showTooltipsBox", "noUrlCheckBox", "emailRequiredBox"})
        QTest::mouseClick(box(d, name), Qt::LeftButton);
}

void clickOk(Toptions& d) {
    QTest::mouseClick(Child(d, "okButton"), Qt::LeftButton);
}

void clickCancel(Toptions& d) {
    QTest::mouseClick(Child(d, "cancelButton"), Qt::LeftButton);
}

// Whether hovering over the control shows its hint now.
bool showsTooltip(QWidget* control) {
    QToolTip::hideText();
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), control->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(control, &event);
    return QToolTip::isVisible() && QToolTip::text() == control->toolTip();
}

} // namespace

class TstOptions : public GuiTest {
    Q_OBJECT
private slots:
    void cleanup() override;

    void firstRunWritesDefaults();
    void missingValueRewrittenOthersKept();
    void handEditedValuesTakeTheirDefaults();
    void unwritableSettingsAreToldOnce();
    void emailRequirementTest();
    void dialogLayout();
    void okStoresAllThreeAndAppliesAtOnce();
    void okUnchangedStillWritesAllThree();
    void okByKeys_data();
    void okByKeys();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void tooltipsSwitchedOffAndOnAtOnce();
};

void TstOptions::cleanup() {
    QVERIFY(seam_->messages.isEmpty());
    GuiTest::cleanup();
}

void TstOptions::firstRunWritesDefaults() {
    QVERIFY(!env_->settings().valueExists(kDisplayTooltipsValue));
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    QVERIFY(w.startedUp());
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(0));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(1));
    QVERIFY(w.options().displayTooltips);
    QVERIFY(!w.options().disableUrlValidation);
    QVERIFY(w.options().emailRequired);
}

void TstOptions::missingValueRewrittenOthersKept() {
    {
        QVERIFY(env_->settings().storeNumber(kDisplayTooltipsValue, 0));
        QVERIFY(env_->settings().storeNumber(kEmailFieldRequiredValue, 0));
        auto window = MakeMainWindow(*env_);
        Tmainform& w = *window;
        QCOMPARE(storedValues(*env_).noUrlCheck, std::optional<std::int32_t>(0));
        QCOMPARE(storedValues(*env_).tooltips, std::optional<std::int32_t>(0));
        QCOMPARE(storedValues(*env_).emailRequired, std::optional<std::int32_t>(0));
        QVERIFY(!w.options().displayTooltips);
        QVERIFY(!w.options().disableUrlValidation);
        QVERIFY(!w.options().emailRequired);
    }
    // Any value that is not zero reads as true.
    QVERIFY(env_->settings().storeNumber(kDisableUrlValidationValue, 7));
    env_->settings().deleteValue(kDisplayTooltipsValue);
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    QCOMPARE(storedValues(*env_).tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(storedValues(*env_).noUrlCheck, std::optional<std::int32_t>(7));
    QVERIFY(w.options().displayTooltips);
    QVERIFY(w.options().disableUrlValidation);
    QVERIFY(!w.options().emailRequired);
}

// Tells of a hand-edited settings file: values that are not numbers take their defaults,
// which are written back, and the program starts as it would on a first run.
void TstOptions::handEditedValuesTakeTheirDefaults() {
    QFile file(QString::fromStdString(env_->settings().filePath()));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Software\\Quenlark\\Address Book]\n"
               "Active Address Book=\"" +
               env_->databasePath().toUtf8() +
               "\"\n"
               "Disable URL Validation=dword:00000001\n"
               "Display Tooltips=yes\n"
               "Email field required=dword:zzzz\n");
    file.close();
    auto window = MakeMainWindow(*env_);
    QVERIFY(window->startedUp());
    QVERIFY(window->options().displayTooltips);
    QVERIFY(window->options().disableUrlValidation); // a good value is kept
    QVERIFY(window->options().emailRequired);
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(1));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(1));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(1));
}

// Settings that cannot be written are told of once; the options still take effect.
void TstOptions::unwritableSettingsAreToldOnce() {
    auto window = MakeMainWindow(*env_);
    // The settings' folder turns into a file: no one can write there, whatever their rights.
    const QString folder = QFileInfo(QString::fromStdString(env_->settings().filePath())).path();
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (int run = 0; run < 2; ++run)
        withOptionsDialog(*window, [](Toptions& d) {
            QTest::mouseClick(box(d, "noUrlCheckBox"), Qt::LeftButton);
            clickOk(d);
        });
    QVERIFY(!window->options().disableUrlValidation); // ticked twice
    QCOMPARE(seam_->messages.size(), 1);
    QCOMPARE(seam_->messages[0].title, QStringLiteral("Options cannot be saved"));
    QCOMPARE(seam_->messages[0].owner.data(), window.get());
    seam_->messages.clear();
}

void TstOptions::emailRequirementTest() {
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    auto* email = Child<QLineEdit>(w, "emailEdit");
    QVERIFY(w.options().emailRequired);
    QVERIFY(!w.emailRequirementMet());
    email->setText(QStringLiteral("ann@example.org"));
    QVERIFY(w.emailRequirementMet());
    email->clear();
    Child<QLineEdit>(w, "secondEmailEdit")->setText(QStringLiteral("ann@example.org"));
    QVERIFY(!w.emailRequirementMet()); // only the first counts
    withOptionsDialog(w, [](Toptions& d) {
        QTest::mouseClick(box(d, "emailRequiredBox"), Qt::LeftButton);
        clickOk(d);
    });
    QVERIFY(!w.options().emailRequired);
    QVERIFY(w.emailRequirementMet());
}

void TstOptions::dialogLayout() {
    auto w = MakeMainWindow(*env_);
    withOptionsDialog(*w, [](Toptions& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Quenlark Address Book options"));
        QCOMPARE(d.size(), QSize(333, 162));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Centred, give or take the window frame.
        QVERIFY(qAbs(d.geometry().center().x() - screen.center().x()) <= 3);
        QVERIFY(qAbs(d.geometry().center().y() - screen.center().y()) <= 3);
        QCOMPARE(d.font().pixelSize(), 11);
        auto* title = Child<QLabel>(d, "titleLabel");
        auto* tips = box(d, "showTooltipsBox");
        auto* noCheck = box(d, "noUrlCheckBox");
        auto* required = box(d, "emailRequiredBox");
        auto* cancel = Child<TQuenlarkStdButton>(d, "cancelButton");
        auto* ok = Child<TQuenlarkStdButton>(d, "okButton");
        QCOMPARE(Child(d, "titleBar")->geometry(), QRect(0, 0, 333, 29));
        QCOMPARE(title->text(), QStringLiteral("Quenlark Address Book Options"));
        QVERIFY(title->font().bold());
        QCOMPARE(title->font().pixelSize(), 13);
        QCOMPARE(title->alignment(), Qt::AlignCenter);
        QCOMPARE(Child(d, "titleRule")->geometry().bottom(), 28);
        QCOMPARE(tips->geometry(), QRect(20, 44, 133, 17));
        QCOMPARE(tips->text(), QStringLiteral("Display Tool Tips"));
        QCOMPARE(noCheck->geometry(), QRect(20, 68, 285, 17));
        QCOMPARE(noCheck->text(),
                 QStringLiteral("Do not validate URL's when adding/modifying contacts"));
        QCOMPARE(required->geometry(), QRect(20, 92, 245, 17));
        QVERIFY(required->text().contains(QLatin1String("required")));
        QCOMPARE(cancel->geometry(), QRect(164, 128, 75, 23));
        QCOMPARE(cancel->Caption(), QStringLiteral("&Cancel"));
        QCOMPARE(ok->geometry(), QRect(244, 128, 75, 23));
        QCOMPARE(ok->Caption(), QStringLiteral("&OK"));
        QVERIFY(ok->Default());
        QVERIFY(!cancel->Default());
        // Tab order: the three boxes' first two, Cancel, OK, then the third box.
        QCOMPARE(tips->nextInFocusChain(), noCheck);
        QCOMPARE(noCheck->nextInFocusChain(), static_cast<QWidget*>(cancel));
        QCOMPARE(cancel->nextInFocusChain(), static_cast<QWidget*>(ok));
        QCOMPARE(ok->nextInFocusChain(), required);
        // The boxes show the options as they are (first run: on, off, on).
        QVERIFY(tips->isChecked());
        QVERIFY(!noCheck->isChecked());
        QVERIFY(required->isChecked());
        clickCancel(d);
    });
}

void TstOptions::okStoresAllThreeAndAppliesAtOnce() {
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    withOptionsDialog(w, [](Toptions& d) {
        tickAll(d);
        clickOk(d);
    });
    QVERIFY(!w.options().displayTooltips);
    QVERIFY(w.options().disableUrlValidation);
    QVERIFY(!w.options().emailRequired);
    const Values stored = storedValues(*env_);
    QCOMPARE(stored.tooltips, std::optional<std::int32_t>(0));
    QCOMPARE(stored.noUrlCheck, std::optional<std::int32_t>(1));
    QCOMPARE(stored.emailRequired, std::optional<std::int32_t>(0));

    // The dialog opens again with the stored state, and the next run reads it.
    withOptionsDialog(w, [](Toptions& d) {
        QVERIFY(!box(d, "showTooltipsBox")->isChecked());
        QVERIFY(box(d, "noUrlCheckBox")->isChecked());
        QVERIFY(!box(d, "emailRequiredBox")->isChecked());
        clickCancel(d);
    });
}

void TstOptions::okUnchangedStillWritesAllThree() {
    auto w = MakeMainWindow(*env_);
    for (const char* name :
         {kDisplayTooltipsValue, kDisableUrlValidationValue, kEmailFieldRequiredValue})
        env_->settings().deleteValue(name);
    withOptionsDialog(*w, clickOk);
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
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    withOptionsDialog(w, [&](Toptions& d) {
        tickAll(d);
        box(d, "noUrlCheckBox")->setFocus();
        QTest::keyClick(box(d, "noUrlCheckBox"), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    });
    QVERIFY(w.options().disableUrlValidation);
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
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    const QByteArray before = settingsBytes(*env_);
    QVERIFY(!before.isEmpty());
    int result = -1;
    withOptionsDialog(w, [&](Toptions& d) {
        tickAll(d);
        connect(&d, &QDialog::finished, [&](int r) { result = r; });
        QWidget* focused = box(d, "showTooltipsBox");
        focused->setFocus();
        if (how == "button")
            clickCancel(d);
        else if (how == "escape")
            QTest::keyClick(focused, Qt::Key_Escape);
        else if (how == "altc")
            QTest::keyClick(focused, Qt::Key_C, Qt::AltModifier);
        else
            d.close();
    });
    QCOMPARE(result, Toptions::mrCancel);
    QVERIFY(w.options().displayTooltips);
    QVERIFY(!w.options().disableUrlValidation);
    QVERIFY(w.options().emailRequired);
    QCOMPARE(settingsBytes(*env_), before);
}

void TstOptions::tooltipsSwitchedOffAndOnAtOnce() {
    auto w = window();
    QVERIFY(w);
    QWidget* add = Child(*w, "addButton");
    QVERIFY(showsTooltip(add));
    QVERIFY(showsTooltip(Child(*w, "searchEdit")));

    const auto flipTooltips = [](Toptions& d) {
        QTest::mouseClick(box(d, "showTooltipsBox"), Qt::LeftButton);
        clickOk(d);
    };
    withOptionsDialog(*w, flipTooltips);
    QVERIFY(!showsTooltip(add));
    QVERIFY(!showsTooltip(Child(*w, "sendMailImage"))); // inside a hidden panel too
    QVERIFY(!showsTooltip(Child(*w, "matchCaseBox")));
    QVERIFY(!add->toolTip().isEmpty()); // the hints themselves are kept

    withOptionsDialog(*w, flipTooltips);
    QVERIFY(showsTooltip(add));
    QToolTip::hideText();
}

QTEST_MAIN(TstOptions)
#include "tst_options.moc"
