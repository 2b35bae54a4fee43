#include "controls/quenlarkweblink.h"
#include "scripteduiseam.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <memory>

using quenlark::TQuenlarkWebLink;
using quenlark::test::ScriptedUiSeam;

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(204, 0, 0);
const QColor kPurple(128, 0, 128);

int countPixels(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

// The size the link should take for a text: measured in its underlined font.
QSize expectedSize(const QFont& formFont, const QString& text, bool bold) {
    QFont font = formFont;
    font.setUnderline(true);
    font.setItalic(false);
    font.setBold(bold);
    const QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(text) + 5, metrics.height() + 3};
}

} // namespace

class TestWebLink : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsAsClickHereWithFormFont();
    void sizesItselfToCaptionAndBold_data();
    void sizesItselfToCaptionAndBold();
    void setUrlReplacesOnlyItsOwnCaption_data();
    void setUrlReplacesOnlyItsOwnCaption();
    void colourFollowsFocusThenHover();
    void clickWithUrlLaunchesIt();
    void clickWithoutUrlEmitsClicked();
    void keysAndOtherButtons();

private:
    void showForm();
    QImage snapshot() const { return link->grab().toImage(); }
    void hover(bool over);

    std::unique_ptr<QWidget> form;
    TQuenlarkWebLink* link = nullptr;
    QLineEdit* other = nullptr;
    std::unique_ptr<ScriptedUiSeam> seam;
};

void TestWebLink::init() {
    seam = std::make_unique<ScriptedUiSeam>();
    form = std::make_unique<QWidget>();
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    form->setFont(tahoma);
    form->resize(300, 120);
    other = new QLineEdit(form.get());
    other->setGeometry(10, 60, 100, 20);
    link = new TQuenlarkWebLink(form.get());
    link->move(10, 10);
}

void TestWebLink::cleanup() {
    form.reset();
    QVERIFY(seam->drained());
    seam.reset();
}

void TestWebLink::showForm() {
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
}

void TestWebLink::hover(bool over) {
    const QPoint inside = link->geometry().center();
    const QPoint outside(link->geometry().left(), other->geometry().bottom() + 10);
    QTest::mouseMove(form->windowHandle(), over ? inside : outside);
    QTRY_COMPARE(link->underMouse(), over);
}

void TestWebLink::startsAsClickHereWithFormFont() {
    QFont italic = form->font();
    italic.setItalic(true);
    italic.setStrikeOut(true);
    form->setFont(italic);
    TQuenlarkWebLink fresh(form.get());
    QCOMPARE(fresh.Caption(), QStringLiteral("Click Here"));
    QVERIFY(fresh.URL().isEmpty());
    QVERIFY(!fresh.Bold());
    QCOMPARE(fresh.size(), QSize(100, 20)); // not sized to its text until the caption is set
    QCOMPARE(fresh.font().pixelSize(), 11);
    QVERIFY(fresh.font().underline());
    QVERIFY(!fresh.font().italic());
    QVERIFY(!fresh.font().strikeOut());
    QCOMPARE(fresh.cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(fresh.TabStop());

    TQuenlarkWebLink orphan;
    QCOMPARE(orphan.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(orphan.font().pixelSize(), 11);
    QCOMPARE(orphan.size(), QSize(100, 20));
}

void TestWebLink::sizesItselfToCaptionAndBold_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bold");
    QTest::newRow("send mail, bold") << QStringLiteral("Send mail") << true;
    QTest::newRow("select nothing") << QStringLiteral("Select nothing") << false;
    // Contact data is plain text: markup and "&" are measured and shown as they are.
    QTest::newRow("markup") << QStringLiteral("<b>Ann &amp; Bob</b>") << false;
    QTest::newRow("mnemonic") << QStringLiteral("&Add") << true;
}

void TestWebLink::sizesItselfToCaptionAndBold() {
    QFETCH(QString, caption);
    QFETCH(bool, bold);
    link->setGeometry(10, 10, 60, 16); // the size a layout gives it is replaced
    link->SetCaption(caption);
    QCOMPARE(link->size(), expectedSize(form->font(), caption, false));
    link->SetBold(bold);
    QCOMPARE(link->size(), expectedSize(form->font(), caption, bold));
    QCOMPARE(link->sizeHint(), link->size());
    QCOMPARE(link->font().bold(), bold);
    QVERIFY(link->font().underline());
    QCOMPARE(link->property("Caption").toString(), caption);

    // Drawn as it is measured: the underline runs to the end of the literal text.
    const QImage image = link->grab().toImage();
    const QFontMetrics metrics(link->font());
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == kBlue.rgb())
                right = std::max(right, x);
    QVERIFY2(right >= metrics.horizontalAdvance(caption) - 2, qPrintable(QString::number(right)));
}

void TestWebLink::setUrlReplacesOnlyItsOwnCaption_data() {
    QTest::addColumn<QString>("caption"); // null: left at "Click Here"
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("expected");
    QTest::newRow("new link shows its address")
        << QString() << QStringList{QStringLiteral("http://quenlark.example/")}
        << QStringLiteral("http://quenlark.example/");
    QTest::newRow("shown address follows the next one")
        << QString()
        << QStringList{QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")}
        << QStringLiteral("http://b.example/");
    QTest::newRow("own caption stays")
        << QStringLiteral("info@quenlark.example")
        << QStringList{QStringLiteral("mailto:info@quenlark.example")}
        << QStringLiteral("info@quenlark.example");
    QTest::newRow("empty caption equals empty address")
        << QStringLiteral("") << QStringList{QStringLiteral("http://c.example/")}
        << QStringLiteral("http://c.example/");
    QTest::newRow("own caption stays when the address is cleared")
        << QStringLiteral("Web Site") << QStringList{QStringLiteral("http://d.example/"), QString()}
        << QStringLiteral("Web Site");
}

void TestWebLink::setUrlReplacesOnlyItsOwnCaption() {
    QFETCH(QString, caption);
    QFETCH(QStringList, urls);
    QFETCH(QString, expected);
    if (!caption.isNull())
        link->SetCaption(caption);
    for (const QString& url : urls)
        link->setProperty("URL", url);
    QCOMPARE(link->URL(), urls.constLast());
    QCOMPARE(link->Caption(), expected);
    QCOMPARE(link->size(), expectedSize(form->font(), expected, false));
}

void TestWebLink::colourFollowsFocusThenHover() {
    link->SetCaption(QStringLiteral("Send mail"));
    showForm();
    // The desktop's focus rectangle inverts every other pixel of the face under it.
    const QColor face = link->palette().color(QPalette::Active, QPalette::Window);
    const QColor dots(255 - face.red(), 255 - face.green(), 255 - face.blue());
    auto frameHasDots = [&](const QImage& image) {
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, 0).rgb() == dots.rgb())
                return true;
        return false;
    };

    QImage image = snapshot();
    QVERIFY(countPixels(image, kBlue) > 0);
    QCOMPARE(countPixels(image, kRed) + countPixels(image, kPurple), 0);
    QVERIFY(!frameHasDots(image));

    hover(true);
    image = snapshot();
    QVERIFY(countPixels(image, kRed) > 0);
    QCOMPARE(countPixels(image, kBlue) + countPixels(image, kPurple), 0);

    link->setFocus();
    QTRY_VERIFY(link->hasFocus());
    image = snapshot(); // focused and hovered: focus wins
    QVERIFY(countPixels(image, kPurple) > 0);
    QCOMPARE(countPixels(image, kBlue) + countPixels(image, kRed), 0);
    QVERIFY(frameHasDots(image));

    hover(false);
    image = snapshot();
    QVERIFY(countPixels(image, kPurple) > 0);
    QCOMPARE(countPixels(image, kBlue) + countPixels(image, kRed), 0);

    other->setFocus();
    QTRY_VERIFY(!link->hasFocus());
    image = snapshot();
    QVERIFY(countPixels(image, kBlue) > 0);
    QCOMPARE(countPixels(image, kRed) + countPixels(image, kPurple), 0);
    QVERIFY(!frameHasDots(image));
}

void TestWebLink::clickWithUrlLaunchesIt() {
    int clicks = 0;
    connect(link, &TQuenlarkWebLink::clicked, this, [&] { ++clicks; });
    link->SetURL(QStringLiteral("http://quenlark.example/"));
    showForm();

    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(seam->launches.size(), 1);
    QCOMPARE(seam->launches[0].verb, QStringLiteral("open"));
    QCOMPARE(seam->launches[0].target, QStringLiteral("http://quenlark.example/"));
    QCOMPARE(clicks, 0);
    QVERIFY(link->hasFocus());

    // A double click opens the address once.
    seam->clear();
    const QPoint centre = link->geometry().center();
    QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(form->windowHandle(), Qt::LeftButton, {}, centre);
    QCOMPARE(seam->launches.size(), 1);

    // A launcher that fails is not reported.
    seam->clear();
    seam->launchResult = false;
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(seam->launches.size(), 1);
    QVERIFY(seam->messages.isEmpty());
    QCOMPARE(clicks, 0);

    // Released outside the link: no click.
    seam->clear();
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 5, 2));
    QVERIFY(seam->launches.isEmpty());
}

void TestWebLink::clickWithoutUrlEmitsClicked() {
    QSignalSpy clicks(link, &TQuenlarkWebLink::clicked);
    link->SetCaption(QStringLiteral("Select nothing"));
    showForm();
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(seam->launches.isEmpty());
}

void TestWebLink::keysAndOtherButtons() {
    int clicks = 0;
    connect(link, &TQuenlarkWebLink::clicked, this, [&] { ++clicks; });
    showForm();

    // A right-button press takes the focus but does not click.
    QTest::mouseClick(link, Qt::RightButton);
    QVERIFY(link->hasFocus());
    QCOMPARE(clicks, 0);

    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(clicks, 1);
    QTest::keyClick(link, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(clicks, 2);
    QTest::keyClick(link, Qt::Key_Space);
    QTest::keyClick(link, Qt::Key_A);
    QCOMPARE(clicks, 2);

    // Without a tab stop, Tab passes it by, but a click still focuses it.
    link->SetTabStop(false);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    QVERIFY(!link->hasFocus());
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(link->hasFocus());
    QCOMPARE(clicks, 3);
}

QTEST_MAIN(TestWebLink)
#include "tst_weblink.moc"
