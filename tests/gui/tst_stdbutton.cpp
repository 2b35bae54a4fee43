// The push button: its looks per state, the default frame, the drop-down mark, the caption's
// place, the focus rectangle, and how it answers keys, mouse, its menu and failing handlers.
#include "controls/quenlarkstdbutton.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace quenlark;

namespace {

const QColor kFace(212, 208, 200);
const QColor kLightFace(222, 218, 210);
const QColor kShadow(128, 128, 128);
const QColor kHighlight(10, 36, 106);
const QColor kHighlightText(255, 255, 255);
const QColor kText(0, 0, 0);
const QColor kBackground(90, 91, 92);

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

QColor Inverted(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

QPixmap Filled(int width, int height, const QColor& colour) {
    QPixmap pixmap(width, height);
    pixmap.fill(colour);
    return pixmap;
}

void Enter(QWidget* widget) {
    QEnterEvent event(QPointF(3, 3), QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)));
    QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

// The first column, left to right, in the caption's rows that differs from the fill.
int FirstInkColumn(const QImage& image, const QColor& fill) {
    for (int x = 2; x < image.width() - 3; ++x)
        for (int y = 4; y < image.height() - 3; ++y)
            if (At(image, x, y) != fill)
                return x;
    return -1;
}

} // namespace

class TstStdButton : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsAsTheLayoutsExpect();
    void lightFaceColour_data();
    void lightFaceColour();
    void colourValues();
    void looks_data();
    void looks();
    void defaultFrameIsTwoPixels();
    void dropDownMark();
    void captionLeftEdge_data();
    void captionLeftEdge();
    void iconsPerLookAndTransparentColour();
    void focusRectangle();
    void ampersandUnderlinesTheNextLetter();
    void enterClicksSpaceDoesNot();
    void rightPressTakesFocusWithoutPressedLook();
    void pressLeaveReleaseDoesNotClick();
    void doubleClick();
    void dropDownShowsBelowOnEnterThenClicks();

private:
    QImage render() const { return button->grab().toImage(); }
    std::unique_ptr<QWidget> form;
    QLineEdit* other = nullptr;
    TQuenlarkStdButton* button = nullptr;
};

void TstStdButton::initTestCase() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, kFace);
    palette.setColor(QPalette::Dark, kShadow);
    palette.setColor(QPalette::Highlight, kHighlight);
    palette.setColor(QPalette::HighlightedText, kHighlightText);
    palette.setColor(QPalette::ButtonText, kText);
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::Base, QColor(255, 255, 255));
    QApplication::setPalette(palette);
}

void TstStdButton::init() {
    QCursor::setPos(QPoint(790, 590));
    form = std::make_unique<QWidget>();
    form->resize(320, 200);
    other = new QLineEdit(form.get());
    other->setGeometry(10, 150, 100, 21);
    button = new TQuenlarkStdButton(form.get());
    button->move(20, 20);
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    other->setFocus();
}

void TstStdButton::cleanup() {
    form.reset();
    button = nullptr;
    other = nullptr;
}

void TstStdButton::startsAsTheLayoutsExpect() {
    TQuenlarkStdButton b;
    QCOMPARE(b.size(), QSize(75, 23));
    QVERIFY(b.Border());
    QVERIFY(!b.Default());
    QCOMPARE(b.CaptionAlign(), qsbCenter);
    QVERIFY(b.Caption().isEmpty());
    QCOMPARE(b.TransparentColour(), clLime);
    QCOMPARE(b.Margin(), 0);
    QVERIFY(b.DropDown() == nullptr);
    QVERIFY(b.TabStop());
    QCOMPARE(b.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(b.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(b.font().pixelSize(), 11);
    // A layout sets the published properties by name.
    QVERIFY(b.setProperty("Caption", QStringLiteral("&OK")));
    QVERIFY(b.setProperty("Default", true));
    QVERIFY(b.setProperty("Tag", 1));
    QVERIFY(b.setProperty("CaptionAlign", QStringLiteral("qsbRight")));
    QCOMPARE(b.Caption(), QStringLiteral("&OK"));
    QVERIFY(b.Default());
    QCOMPARE(b.Tag(), 1);
    QCOMPARE(b.CaptionAlign(), qsbRight);
}

void TstStdButton::lightFaceColour_data() {
    QTest::addColumn<QColor>("face");
    QTest::addColumn<QColor>("light");
    QTest::newRow("classic") << QColor(212, 208, 200) << QColor(222, 218, 210);
    QTest::newRow("capped") << QColor(250, 250, 250) << QColor(255, 255, 255);
    QTest::newRow("mixed") << QColor(246, 0, 100) << QColor(255, 10, 110);
}

void TstStdButton::lightFaceColour() {
    QFETCH(QColor, face);
    QFETCH(QColor, light);
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, face);
    QApplication::setPalette(palette);
    const TColor result = getLightFaceColour();
    QApplication::setPalette(saved);
    QCOMPARE(ColourToQColor(result), light);
}

void TstStdButton::colourValues() {
    // Red is the low byte.
    QCOMPARE(ColourToQColor(0x00332211u), QColor(0x11, 0x22, 0x33));
    QCOMPARE(ColourToQColor(clFuchsia), QColor(255, 0, 255));
    QCOMPARE(RGB(1, 2, 3), TColor(0x00030201u));
    QCOMPARE(ColourFromQColor(QColor(0x11, 0x22, 0x33)), TColor(0x00332211u));
    QCOMPARE(ColourToQColor(0x8000000Fu), kFace);
    QCOMPARE(ColourToQColor(clBtnShadow), kShadow);
    QCOMPARE(ColourToQColor(clHighlight), kHighlight);
    QCOMPARE(ColourToQColor(clWindow), QColor(255, 255, 255));
    QCOMPARE(ColourToRGB(clBtnFace), RGB(212, 208, 200));
}

void TstStdButton::looks_data() {
    QTest::addColumn<bool>("border");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("normal, border") << true << "normal" << kShadow << kLightFace;
    QTest::newRow("normal, no border") << false << "normal" << kFace << kLightFace;
    QTest::newRow("hover, border") << true << "hover" << kShadow << kFace;
    QTest::newRow("hover, no border") << false << "hover" << kShadow << kLightFace;
    QTest::newRow("pressed") << false << "pressed" << kShadow << kHighlight;
    QTest::newRow("pressed outranks hover") << true << "hover+pressed" << kShadow << kHighlight;
}

void TstStdButton::looks() {
    QFETCH(bool, border);
    QFETCH(QString, state);
    QFETCH(QColor, frame);
    QFETCH(QColor, fill);
    button->SetBorder(border);
    if (state.contains(QLatin1String("hover")))
        Enter(button);
    if (state.contains(QLatin1String("pressed")))
        QTest::mousePress(button, Qt::LeftButton);
    const QImage image = render();
    if (state.contains(QLatin1String("pressed")))
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5));
    const int W = image.width(), H = image.height();
    for (const QPoint p : {QPoint(0, 0), QPoint(W - 2, 0), QPoint(0, H - 2), QPoint(W - 2, H - 2),
                           QPoint(W / 2, 0), QPoint(0, H / 2)})
        QCOMPARE(At(image, p.x(), p.y()), frame);
    QCOMPARE(At(image, W / 2, H / 2), fill);
    QCOMPARE(At(image, 4, H - 5), fill);
    // The last column and row are not painted.
    QCOMPARE(At(image, W - 1, H / 2), kBackground);
    QCOMPARE(At(image, W / 2, H - 1), kBackground);
}

void TstStdButton::defaultFrameIsTwoPixels() {
    const int W = button->width(), H = button->height();
    QImage image = render();
    QCOMPARE(At(image, 1, H / 2), kLightFace);
    QCOMPARE(At(image, W - 3, H / 2), kLightFace);

    button->SetDefault(true);
    image = render();
    for (const QPoint p : {QPoint(0, H / 2), QPoint(1, H / 2), QPoint(W - 3, H / 2),
                           QPoint(W - 2, H / 2), QPoint(W / 2, 1), QPoint(W / 2, H - 3)})
        QCOMPARE(At(image, p.x(), p.y()), kShadow);
    QCOMPARE(At(image, 2, H / 2), kLightFace);
    QCOMPARE(At(image, W - 4, H / 2), kLightFace);
    QCOMPARE(At(image, W / 2, 2), kLightFace);
    QCOMPARE(At(image, W - 1, H / 2), kBackground);
}

void TstStdButton::dropDownMark() {
    QMenu menu;
    const int W = button->width();
    QCOMPARE(At(render(), W - 6, 11), kLightFace);
    button->SetDropDown(&menu);
    button->SetDefault(true);
    QTest::mousePress(button, Qt::LeftButton);
    const QImage image = render();
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5));
    for (int x = W - 7; x <= W - 4; ++x)
        for (int y = 10; y <= 13; ++y)
            QCOMPARE(At(image, x, y), kHighlightText);
    for (const QPoint p : {QPoint(W - 8, 11), QPoint(W - 6, 9), QPoint(W - 6, 14)})
        QCOMPARE(At(image, p.x(), p.y()), kHighlight);
    QCOMPARE(At(image, W - 3, 11), kShadow); // the default frame's inner line
}

void TstStdButton::captionLeftEdge_data() {
    QTest::addColumn<int>("iconWidth");
    QTest::addColumn<int>("iconOverWidth");
    QTest::addColumn<int>("margin");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<int>("shift");
    QTest::newRow("no icon") << 0 << 0 << 0 << false << 0;
    QTest::newRow("margin") << 0 << 0 << 7 << false << 7;
    QTest::newRow("icon") << 16 << 0 << 0 << false << 16;
    QTest::newRow("icon and margin") << 16 << 0 << 3 << false << 19;
    QTest::newRow("hover falls back to icon") << 16 << 0 << 0 << true << 16;
    QTest::newRow("wider hover icon, hover") << 16 << 24 << 0 << true << 24;
    QTest::newRow("wider hover icon, normal") << 16 << 24 << 0 << false << 16;
}

void TstStdButton::captionLeftEdge() {
    QFETCH(int, iconWidth);
    QFETCH(int, iconOverWidth);
    QFETCH(int, margin);
    QFETCH(bool, hover);
    QFETCH(int, shift);
    button->SetBorder(false); // the same fill in both looks
    button->SetCaptionAlign(qsbLeft);
    button->SetCaption(QStringLiteral("HH"));
    const int plain = FirstInkColumn(render(), kLightFace);
    QVERIFY2(plain >= 4 && plain <= 6, qPrintable(QString::number(plain)));

    // Icons all of the transparent colour: they take room but draw nothing.
    if (iconWidth)
        button->SetIcon(Filled(iconWidth, 16, QColor(0, 255, 0)));
    if (iconOverWidth)
        button->SetIconOver(Filled(iconOverWidth, 16, QColor(0, 255, 0)));
    button->SetMargin(margin);
    if (hover)
        Enter(button);
    QCOMPARE(FirstInkColumn(render(), kLightFace), plain + shift);
}

void TstStdButton::iconsPerLookAndTransparentColour() {
    QPixmap normal = Filled(4, 4, QColor(0, 255, 0));
    {
        QPainter p(&normal);
        p.fillRect(0, 0, 2, 4, QColor(255, 0, 0));
    }
    button->SetIcon(normal);
    QImage image = render();
    QCOMPARE(At(image, 2, 2), QColor(255, 0, 0));
    QCOMPARE(At(image, 3, 5), QColor(255, 0, 0));
    QCOMPARE(At(image, 4, 2), kLightFace); // lime is left undrawn
    QCOMPARE(At(image, 6, 2), kLightFace);

    button->SetTransparentColour(clRed);
    image = render();
    QCOMPARE(At(image, 2, 2), kLightFace);
    QCOMPARE(At(image, 4, 2), QColor(0, 255, 0));
    button->SetTransparentColour(clLime);

    button->SetIconOver(Filled(4, 4, QColor(0, 0, 255)));
    Enter(button);
    QCOMPARE(At(render(), 2, 2), QColor(0, 0, 255));
    // Without IconDown the pressed look shows Icon.
    QTest::mousePress(button, Qt::LeftButton);
    image = render();
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(At(image, 2, 2), QColor(255, 0, 0));
    QCOMPARE(At(image, 4, 2), kHighlight);
}

void TstStdButton::focusRectangle() {
    const int W = button->width(), H = button->height();
    QCOMPARE(At(render(), 1, 1), kLightFace);
    button->setFocus();
    QVERIFY(button->hasFocus());
    QImage image = render();
    QCOMPARE(At(image, 1, 1), Inverted(kLightFace));
    QCOMPARE(At(image, 2, 1), kLightFace);
    QCOMPARE(At(image, 3, 1), Inverted(kLightFace));
    QCOMPARE(At(image, 1, 2), kLightFace);
    QCOMPARE(At(image, W - 3, H - 3), Inverted(kLightFace));
    QCOMPARE(At(image, W - 3, H - 4), kLightFace);
    QCOMPARE(At(image, 2, 2), kLightFace);
    QCOMPARE(At(image, 0, 0), kShadow);
    // With the default frame the dots invert the frame's inner line.
    button->SetDefault(true);
    QCOMPARE(At(render(), 1, 1), Inverted(kShadow));
    other->setFocus();
    QCOMPARE(At(render(), 1, 1), kShadow);
}

void TstStdButton::ampersandUnderlinesTheNextLetter() {
    button->SetCaptionAlign(qsbLeft);
    button->SetCaption(QStringLiteral("Exit"));
    const QImage plain = render();
    button->SetCaption(QStringLiteral("E&xit"));
    const QImage marked = render();
    // Only the underline differs: a band of at most two rows under the "x".
    const QFontMetrics metrics(button->font());
    const int xLeft = 4 + metrics.horizontalAdvance(QStringLiteral("E")) - 1;
    const int xRight = 4 + metrics.horizontalAdvance(QStringLiteral("Ex")) + 1;
    int top = -1, bottom = -1;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != marked.pixel(x, y)) {
                QVERIFY2(x >= xLeft && x <= xRight, qPrintable(QString::number(x)));
                if (top < 0)
                    top = y;
                bottom = y;
            }
    QVERIFY(top >= 0);
    QVERIFY(bottom - top <= 1);

    // "&&" shows one "&".
    button->SetCaption(QStringLiteral("A&&B"));
    int right = -1;
    const QImage doubled = render();
    for (int x = 0; x < doubled.width() - 3; ++x)
        for (int y = 4; y < doubled.height() - 3; ++y)
            if (At(doubled, x, y) != kLightFace)
                right = x;
    QVERIFY(right > 4 + metrics.horizontalAdvance(QStringLiteral("A&")));
    QVERIFY(right <= 4 + metrics.horizontalAdvance(QStringLiteral("A&B")) + 1);
}

void TstStdButton::enterClicksSpaceDoesNot() {
    QSignalSpy clicks(button, &TQuenlarkStdButton::clicked);
    button->SetDefault(true);
    QTest::keyClick(other, Qt::Key_Return); // the default frame does not catch Enter
    QCOMPARE(clicks.count(), 0);

    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_X, Qt::AltModifier);
    QCOMPARE(clicks.count(), 2);
}

void TstStdButton::rightPressTakesFocusWithoutPressedLook() {
    QSignalSpy clicks(button, &TQuenlarkStdButton::clicked);
    QTest::mousePress(button, Qt::RightButton);
    QVERIFY(button->hasFocus());
    const QImage image = render();
    QTest::mouseRelease(button, Qt::RightButton);
    QCOMPARE(At(image, button->width() / 2, button->height() / 2), kLightFace);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(At(render(), button->width() / 2, button->height() / 2), kLightFace);
}

void TstStdButton::pressLeaveReleaseDoesNotClick() {
    QSignalSpy clicks(button, &TQuenlarkStdButton::clicked);
    const QPoint middle(button->width() / 2, button->height() / 2);
    Enter(button);
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(button->hasFocus());
    Leave(button);
    QCOMPARE(At(render(), middle.x(), middle.y()), kHighlight);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(button->width() + 10, 5));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(At(render(), middle.x(), middle.y()), kLightFace);

    // Released over the button it clicks once, and the pressed look goes.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(At(render(), middle.x(), middle.y()), kLightFace);
}

void TstStdButton::doubleClick() {
    QSignalSpy clicks(button, &TQuenlarkStdButton::clicked);
    QSignalSpy doubles(button, &TQuenlarkStdButton::doubleClicked);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    // The second press of a double click is a double click, not another click.
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(doubles.count(), 1);
    QCOMPARE(At(render(), 10, 10), kLightFace);
}

void TstStdButton::dropDownShowsBelowOnEnterThenClicks() {
    QMenu menu;
    menu.addAction(QStringLiteral("&Save backup file"));
    menu.addAction(QStringLiteral("&Recover using a backup file"));
    button->SetDropDown(&menu);
    const QPoint pointer = form->mapToGlobal(QPoint(200, 80));
    QCursor::setPos(pointer);
    QCoreApplication::processEvents();

    QWidget* popup = nullptr;
    QRect shownAt;
    QTimer::singleShot(0, this, [&] {
        popup = QApplication::activePopupWidget();
        if (popup) {
            shownAt = popup->geometry();
            popup->close();
        }
    });
    int clicks = 0;
    bool menuOpenInClick = true;
    connect(button, &TQuenlarkStdButton::clicked, this, [&] {
        ++clicks;
        menuOpenInClick = menu.isVisible();
    });
    Enter(button);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);

    // From the keyboard the menu drops down just below the button, centred on it, wherever
    // the pointer is.
    const QPoint below = button->mapToGlobal(QPoint(button->width() / 2, button->height()));
    QCOMPARE(popup, &menu);
    QCOMPARE(shownAt.top(), below.y());
    // Centred on the button as far as the screen's left edge lets it.
    const int left = std::max(below.x() - shownAt.width() / 2, button->screen()->geometry().left());
    QVERIFY2(qAbs(shownAt.left() - left) <= 2, // a frame's width inside the screen at most

             qPrintable(QStringLiteral("menu %1, expected %2").arg(shownAt.left()).arg(left)));
    QCOMPARE(clicks, 1);
    QVERIFY(!menuOpenInClick);
    // The hover look is gone although the pointer never left.
    QCOMPARE(At(render(), button->width() / 2, button->height() / 2), kLightFace);
}

QTEST_MAIN(TstStdButton)
#include "tst_stdbutton.moc"
