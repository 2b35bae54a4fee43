// How the windows look whatever the desktop: their own light colours under a dark desktop
// theme with every text readable, captions that fit their controls at the screen's scale
// (the test runs at 1, 1.5 and 2), a bold face that is bold, the country list's drop-down
// and the windows' titles.
#include "app/startup.h"
#include "controls/accessiblecontrols.h"
#include "controls/quenlarkbuttonbase.h"
#include "controls/quenlarkcolour.h"
#include "controls/quenlarkweblink.h"
#include "everywindow.h"
#include "forms/dialogstyle.h"
#include "forms/mainform.h"
#include "guitest.h"
#include "platform/services.h"
#include "platform/standarderror.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolTip>
#include <QtTest>
#include <cmath>

using namespace quenlark;
using namespace quenlark::test;

namespace {

double luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A desktop theme of light text on dark faces, as the dark themes of the desktops have.
QPalette darkDesktop() {
    QPalette dark;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        dark.setColor(group, QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(group, QPalette::Button, QColor(0x3A, 0x3A, 0x3A));
        dark.setColor(group, QPalette::Base, QColor(0x20, 0x20, 0x20));
        dark.setColor(group, QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(group, QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(group, QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(group, QPalette::Link, QColor(0x8A, 0xB4, 0xF8));
        dark.setColor(group, QPalette::Highlight, QColor(0x80, 0xA0, 0xFF));
        dark.setColor(group, QPalette::HighlightedText, QColor(0, 0, 0));
    }
    return dark;
}

QString where(const QWidget* window, const QWidget* control) {
    return window->objectName() + QLatin1Char('/') + control->objectName();
}

// The pixels of a text drawn in black on white that are more than half dark.
int inkOf(const QFont& font, const QString& text) {
    QImage image(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(4, 40), text);
    painter.end();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return ink;
}

// With QUENLARK_SCREENSHOTS naming a folder, the windows are saved there as PNG files for a
// person to look at, named by the window, the scale factor and `look`.
void saveScreenshots(const QList<QWidget*>& windows, const QString& look) {
    const QString folder = qEnvironmentVariable("QUENLARK_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    for (QWidget* window : windows)
        window->grab().save(
            QStringLiteral("%1/%2-scale%3-%4.png").arg(folder, window->objectName(), scale, look));
}

} // namespace

class TstAppearance : public GuiTest {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() override;
    void everyTextIsReadableUnderADarkDesktop();
    void windowsKeepTheirLightFace();
    void captionsFitTheirControls();
    void boldIsBold();
    void countryListDropsDownEightItems();
    void titlesAreThoseOfTheWindows();
    void applicationAddsNothingToTheTitles();
};

void TstAppearance::initTestCase() {
    RegisterApplicationFonts();
}

void TstAppearance::cleanup() {
    QApplication::setPalette(QPalette());
    GuiTest::cleanup();
}

void TstAppearance::everyTextIsReadableUnderADarkDesktop() {
    QApplication::setPalette(darkDesktop());
    UseProgramPalette();
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    for (QWidget* window : all.windows()) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisible())
                continue;
            const QPalette& palette = control->palette();
            const auto check = [&](const QColor& text, const QColor& face, const char* what) {
                const double ratio = contrast(text, face);
                QVERIFY2(ratio >= 4.5,
                         qPrintable(QStringLiteral("%1 %2: %3 on %4 is %5:1")
                                        .arg(where(window, control), what, text.name(), face.name())
                                        .arg(ratio, 0, 'f', 1)));
            };
            if (auto* link = qobject_cast<TQuenlarkWebLink*>(control)) {
                const QColor face = palette.color(QPalette::Active, QPalette::Window);
                check(link->NormalColour(), face, "link");
                check(link->OverColour(), face, "link under the pointer");
                check(link->FocusColour(), face, "focused link");
            } else if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control) ||
                       qobject_cast<QGroupBox*>(control)) {
                check(palette.color(QPalette::Active, QPalette::WindowText),
                      palette.color(QPalette::Active, QPalette::Window), "text");
            } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<QListView*>(control) ||
                       qobject_cast<QComboBox*>(control)) {
                check(palette.color(QPalette::Active, QPalette::Text),
                      palette.color(QPalette::Active, QPalette::Base), "text");
                check(palette.color(QPalette::Disabled, QPalette::Text),
                      palette.color(QPalette::Disabled, QPalette::Base), "disabled text");
                check(palette.color(QPalette::Active, QPalette::HighlightedText),
                      palette.color(QPalette::Active, QPalette::Highlight), "selected text");
            } else if (qobject_cast<TQuenlarkButtonBase*>(control)) {
                check(palette.color(QPalette::Active, QPalette::ButtonText),
                      palette.color(QPalette::Active, QPalette::Button), "caption");
            }
        }
    }
}

void TstAppearance::windowsKeepTheirLightFace() {
    QApplication::setPalette(darkDesktop());
    UseProgramPalette();
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    for (QWidget* window : all.windows()) {
        // Sampled where every window shows its plain face: well inside, near the bottom left.
        const QImage image = window->grab().toImage();
        const double scale = image.devicePixelRatio();
        const QColor face = image.pixelColor(int(3 * scale), image.height() - 1 - int(3 * scale));
        QVERIFY2(face.lightness() > 200, qPrintable(window->objectName() + " " + face.name()));
    }
    saveScreenshots(all.windows(), QStringLiteral("dark-desktop"));
    // The about box's path box lies on the face of the dialog around it.
    QWidget* about = all.windows().at(1);
    auto* path = Child<QLineEdit>(*about, "databasePath");
    QCOMPARE(path->palette().color(QPalette::Base), about->palette().color(QPalette::Window));
}

void TstAppearance::captionsFitTheirControls() {
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    int checked = 0;
    for (QWidget* window : all.windows()) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisible())
                continue;
            const QFontMetrics metrics(control->font());
            if (auto* label = qobject_cast<QLabel*>(control)) {
                if (label->text().isEmpty())
                    continue; // a picture
                const QString text =
                    label->buddy() ? CaptionWithoutAccelerator(label->text()) : label->text();
                const QRect room = label->contentsRect();
                const QRect needed =
                    label->wordWrap()
                        ? metrics.boundingRect(room, Qt::TextWordWrap | int(label->alignment()),
                                               text)
                        : QRect(0, 0, metrics.horizontalAdvance(text), metrics.height());
                QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                         qPrintable(QStringLiteral("%1 \"%2\" needs %3x%4 in %5x%6")
                                        .arg(where(window, label), text)
                                        .arg(needed.width())
                                        .arg(needed.height())
                                        .arg(room.width())
                                        .arg(room.height())));
                ++checked;
            } else if (auto* button = qobject_cast<TQuenlarkButtonBase*>(control)) {
                const QString caption = CaptionWithoutAccelerator(button->Caption());
                if (caption.isEmpty())
                    continue;
                QVERIFY2(metrics.horizontalAdvance(caption) <= button->CaptionRect().width(),
                         qPrintable(where(window, button)));
                ++checked;
            } else if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
                auto* box = static_cast<QAbstractButton*>(control);
                QStyleOptionButton option;
                option.initFrom(box);
                option.text = box->text();
                const QRect room = box->style()->subElementRect(
                    qobject_cast<QCheckBox*>(box) ? QStyle::SE_CheckBoxContents
                                                  : QStyle::SE_RadioButtonContents,
                    &option, box);
                QVERIFY2(metrics.horizontalAdvance(CaptionWithoutAccelerator(box->text())) <=
                             room.width(),
                         qPrintable(where(window, box)));
                ++checked;
            }
        }
    }
    QVERIFY(checked > 40);
    saveScreenshots(all.windows(), QStringLiteral("light"));
}

void TstAppearance::boldIsBold() {
    const QString text = QStringLiteral("Quenlark Address Book");
    QFont regular = TitlePanelFont();
    regular.setBold(false);
    const int thin = inkOf(regular, text);
    const int bold = inkOf(TitlePanelFont(), text);
    QVERIFY2(bold > thin * 5 / 4, qPrintable(QStringLiteral("%1 against %2").arg(bold).arg(thin)));
}

void TstAppearance::countryListDropsDownEightItems() {
    auto w = window();
    auto* box = Child<QComboBox>(*w, "countryBox");
    box->showPopup();
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(list->sizeHintForRow(0), 13);
    const int shown = list->viewport()->height() / 13;
    QCOMPARE(shown, 8);
    // Beside the box (below it, or above where the screen ends), not over the whole screen.
    const QRect popup = list->window()->geometry();
    const QRect boxAt(box->mapToGlobal(QPoint(0, 0)), box->size());
    QVERIFY(popup.height() < 8 * 13 + 20);
    QVERIFY(popup.top() >= boxAt.bottom() || popup.bottom() <= boxAt.top());
    box->hidePopup();
}

void TstAppearance::titlesAreThoseOfTheWindows() {
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    QStringList titles;
    for (QWidget* window : all.windows())
        titles << window->windowTitle();
    QCOMPARE(titles, QStringList({"Quenlark Address Book 2.4.2", "About Quenlark Address Book",
                                  "Add contact fast", "Quenlark Address Book options",
                                  "Search results: ", "Select contacts", "Report generator",
                                  "Export contacts", "Synchronise", "Last sync"}));
    // What the task bar shows for the program is the application title that the standard
    // error report carries.
    ShowStandardError(QStringLiteral("x"));
    QCOMPARE(seam_->titles(), QStringList{titles.first()});
}

void TstAppearance::applicationAddsNothingToTheTitles() {
    QApplication::setPalette(darkDesktop());
    SetUpApplication();
    QCOMPARE(QGuiApplication::applicationName(), QStringLiteral("Quenlark Address Book"));
    // Its display name is only ever its name (which the desktop does not add to a title that
    // ends with it), not a name of its own set for every title.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
    QApplication::setApplicationName(QStringLiteral("other"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("other"));
    // Its colours are its own.
    QCOMPARE(QApplication::palette().color(QPalette::Window),
             ProgramPalette().color(QPalette::Window));
}

QTEST_MAIN(TstAppearance)
#include "tst_appearance.moc"
