// The bitmaps and icons of the program, loaded by name from the Qt resources.
#include "resources/bitmaps.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QSet>
#include <QTest>

using namespace quenlark;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);

bool seeThrough(QRgb c) {
    return qAlpha(c) == 0;
}

// Perceived brightness, exact in integers, so that rows one step apart compare strictly.
int brightness(QRgb c) {
    return qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114;
}

QImage loaded(const QString& name) {
    return LoadResourceBitmap(name).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour of each row, taken from column 0; `alike` tells whether every column matches.
QList<QRgb> rowColours(const QImage& image, bool* alike) {
    QList<QRgb> rows;
    *alike = true;
    for (int y = 0; y < image.height(); ++y) {
        rows << image.pixel(0, y);
        for (int x = 1; x < image.width(); ++x)
            *alike = *alike && image.pixel(x, y) == rows.last();
    }
    return rows;
}

QString hex(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

} // namespace

class tst_Bitmaps : public QObject {
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void unknownName();
    void captionStripes_data();
    void captionStripes();
    void menuStrip();
    void itemBar();
    void seeThroughBackground_data();
    void seeThroughBackground();
    void pressedLooks_data();
    void pressedLooks();
    void linkPictures();
    void applicationIcon();
};

void tst_Bitmaps::sizes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("maxColours");
    QTest::addColumn<bool>("opaque");
    QTest::newRow("caption active") << "IDB_CAPTION_A" << QSize(100, 23) << 256 << true;
    QTest::newRow("caption inactive") << "IDB_CAPTION_I" << QSize(100, 23) << 16 << true;
    QTest::newRow("close up") << "IDB_CLOSE_UP" << QSize(23, 23) << 16 << false;
    QTest::newRow("close down") << "IDB_CLOSE_DOWN" << QSize(23, 23) << 16 << false;
    QTest::newRow("menu strip") << "IDB_MENU_LEFT" << QSize(19, 20) << 16 << true;
    QTest::newRow("item bar") << "IDB_ITEMBG" << QSize(100, 23) << 16 << true;
    QTest::newRow("send") << "IDB_SEND_UP" << QSize(24, 24) << 16 << false;
    QTest::newRow("send2") << "IDB_SEND2_UP" << QSize(24, 24) << 16 << false;
    QTest::newRow("send2 down") << "IDB_SEND2_DOWN" << QSize(24, 24) << 16 << false;
    QTest::newRow("website") << "IDB_WEBSITE_UP" << QSize(24, 24) << 16 << false;
    QTest::newRow("magnifier") << "ICON_SEARCH" << QSize(16, 16) << 16 << false;
    QTest::newRow("printer") << "ICON_PRINTER" << QSize(16, 16) << 16 << false;
    QTest::newRow("info bubble") << "ICON_INFO" << QSize(19, 18) << 16 << false;
}

// Each bitmap has its size and at most as many colours as its drawing had, the see-through
// one counted; a pixel is either fully shown or not at all.
void tst_Bitmaps::sizes() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(int, maxColours);
    QFETCH(bool, opaque);
    const QImage image = loaded(name);
    QCOMPARE(image.size(), size);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            QVERIFY(alpha == 255 || (!opaque && alpha == 0));
            colours.insert(image.pixel(x, y));
        }
    QVERIFY2(colours.size() <= maxColours, qPrintable(QString::number(colours.size())));
}

void tst_Bitmaps::unknownName() {
    QVERIFY(LoadResourceBitmap(QStringLiteral("IDB_NOSUCH")).isNull());
}

void tst_Bitmaps::captionStripes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRgb>("top");
    QTest::addColumn<QRgb>("bottom");
    QTest::newRow("active") << "IDB_CAPTION_A" << qRgb(0x1E, 0x67, 0x92) << qRgb(0x1A, 0x45, 0x7A);
    QTest::newRow("inactive") << "IDB_CAPTION_I" << qRgb(87, 87, 87) << qRgb(63, 63, 63);
}

void tst_Bitmaps::captionStripes() {
    QFETCH(QString, name);
    QFETCH(QRgb, top);
    QFETCH(QRgb, bottom);
    bool alike = false;
    const QList<QRgb> rows = rowColours(loaded(name), &alike);
    QVERIFY(alike);
    QCOMPARE(rows.first(), kBlack);
    QCOMPARE(rows.last(), kBlack);
    QCOMPARE(hex(rows[1]), hex(top));
    QCOMPARE(hex(rows[21]), hex(bottom));
    const bool grey = qRed(top) == qBlue(top);
    for (int y = 1; y <= 21; ++y) {
        if (grey)
            QVERIFY(qRed(rows[y]) == qGreen(rows[y]) && qGreen(rows[y]) == qBlue(rows[y]));
        else
            QVERIFY(qBlue(rows[y]) > qGreen(rows[y]) && qGreen(rows[y]) > qRed(rows[y]));
    }
    // Stripes of four rows from row 1, each lightening downward and starting darker
    // than the stripe above it.
    for (int start = 1; start <= 21; start += 4) {
        for (int y = start + 1; y < start + 4 && y <= 21; ++y)
            QVERIFY2(brightness(rows[y]) > brightness(rows[y - 1]), qPrintable(hex(rows[y])));
        if (start > 1)
            QVERIFY2(brightness(rows[start]) < brightness(rows[start - 4]),
                     qPrintable(QString::number(start)));
    }
}

void tst_Bitmaps::menuStrip() {
    const QImage image = loaded(QStringLiteral("IDB_MENU_LEFT"));
    for (int x = 0; x < image.width(); ++x)
        for (int y = 1; y < image.height(); ++y)
            QCOMPARE(image.pixel(x, y), image.pixel(x, 0));
    QCOMPARE(hex(image.pixel(0, 0)), QStringLiteral("#001987"));
    QCOMPARE(hex(image.pixel(18, 0)), QStringLiteral("#0065e1"));
    for (int x = 1; x < image.width(); ++x) {
        const QRgb left = image.pixel(x - 1, 0), here = image.pixel(x, 0);
        QCOMPARE(qRed(here), 0);
        QVERIFY(qGreen(here) >= qGreen(left) && qBlue(here) >= qBlue(left));
    }
}

void tst_Bitmaps::itemBar() {
    bool alike = false;
    const QList<QRgb> rows = rowColours(loaded(QStringLiteral("IDB_ITEMBG")), &alike);
    QVERIFY(alike);
    QCOMPARE(hex(rows[3]), QStringLiteral("#367ca8"));
    QCOMPARE(hex(rows[21]), QStringLiteral("#1a457a"));
    QCOMPARE(hex(rows[22]), QStringLiteral("#1a457a"));
    for (int y = 0; y < rows.size(); ++y) {
        QVERIFY(qBlue(rows[y]) > qGreen(rows[y]) && qGreen(rows[y]) > qRed(rows[y]));
        if (y != 3)
            QVERIFY2(brightness(rows[y]) < brightness(rows[3]), qPrintable(QString::number(y)));
        if (y > 3)
            QVERIFY2(qRed(rows[y]) <= qRed(rows[y - 1]) && qGreen(rows[y]) <= qGreen(rows[y - 1]) &&
                         qBlue(rows[y]) <= qBlue(rows[y - 1]),
                     qPrintable(QString::number(y)));
    }
}

void tst_Bitmaps::seeThroughBackground_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("inside");
    QTest::newRow("close up") << "IDB_CLOSE_UP" << QPoint(11, 11);
    QTest::newRow("close down") << "IDB_CLOSE_DOWN" << QPoint(11, 11);
    QTest::newRow("send") << "IDB_SEND_UP" << QPoint(12, 12);
    QTest::newRow("send2") << "IDB_SEND2_UP" << QPoint(18, 17);
    QTest::newRow("send2 down") << "IDB_SEND2_DOWN" << QPoint(18, 17);
    QTest::newRow("website") << "IDB_WEBSITE_UP" << QPoint(12, 12);
    QTest::newRow("magnifier") << "ICON_SEARCH" << QPoint(5, 5);
    QTest::newRow("printer") << "ICON_PRINTER" << QPoint(7, 10);
    QTest::newRow("info bubble") << "ICON_INFO" << QPoint(9, 7);
}

// The pictures drawn on a background that is never shown carry it as see-through pixels,
// so no colour has to be taken out of them when they are drawn.
void tst_Bitmaps::seeThroughBackground() {
    QFETCH(QString, name);
    QFETCH(QPoint, inside);
    const QImage image = loaded(name);
    const int r = image.width() - 1, b = image.height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
        QVERIFY(seeThrough(image.pixel(corner)));
    QCOMPARE(qAlpha(image.pixel(inside)), 255);
    // Neither key colour is left to be shown.
    for (int y = 0; y <= b; ++y)
        for (int x = 0; x <= r; ++x) {
            const QRgb c = image.pixel(x, y);
            if (!seeThrough(c))
                QVERIFY(c != qRgb(0, 255, 0) && c != qRgb(255, 0, 255));
        }
}

void tst_Bitmaps::pressedLooks_data() {
    QTest::addColumn<QString>("up");
    QTest::addColumn<QString>("down");
    QTest::newRow("close") << "IDB_CLOSE_UP"
                           << "IDB_CLOSE_DOWN";
    QTest::newRow("second envelope") << "IDB_SEND2_UP"
                                     << "IDB_SEND2_DOWN";
}

void tst_Bitmaps::pressedLooks() {
    QFETCH(QString, up);
    QFETCH(QString, down);
    const QImage released = loaded(up), pressed = loaded(down);
    QCOMPARE(pressed.size(), released.size());
    qint64 releasedLight = 0, pressedLight = 0;
    for (int y = 0; y < released.height(); ++y)
        for (int x = 0; x < released.width(); ++x) {
            // The same shape: the transparent pixels are the same.
            QCOMPARE(seeThrough(pressed.pixel(x, y)), seeThrough(released.pixel(x, y)));
            if (!seeThrough(released.pixel(x, y))) {
                releasedLight += brightness(released.pixel(x, y));
                pressedLight += brightness(pressed.pixel(x, y));
            }
        }
    QVERIFY(pressedLight * 10 < releasedLight * 9);
}

void tst_Bitmaps::linkPictures() {
    const QImage send = loaded(QStringLiteral("IDB_SEND_UP"));
    const QImage send2 = loaded(QStringLiteral("IDB_SEND2_UP"));
    const QImage star = loaded(QStringLiteral("IDB_WEBSITE_UP"));
    auto count = [](const QImage& image, auto&& test) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += test(image.pixel(x, y)) ? 1 : 0;
        return n;
    };
    auto red = [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80; };
    auto gold = [](QRgb c) { return qRed(c) >= 190 && qGreen(c) >= 100 && qBlue(c) < 100; };
    QCOMPARE(count(send, red), 0);
    QVERIFY(count(send2, red) >= 12);
    QVERIFY(count(star, gold) >= 80);
    // The second envelope is the first one with the figure in its lower right corner.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            if (x < 15 || y < 12)
                QCOMPARE(send2.pixel(x, y), send.pixel(x, y));
}

void tst_Bitmaps::applicationIcon() {
    const QIcon icon = ApplicationIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/quenlark-%1.png").arg(size);
        const QImage image = QImage(file).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        int partial = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                partial += qAlpha(image.pixel(x, y)) % 255 != 0 ? 1 : 0;
        if (size >= 32)
            QVERIFY2(partial > 0, qPrintable(file)); // soft shadow and smooth edges

        const QImage shown =
            icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), image.size());
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                QCOMPARE(qAlpha(shown.pixel(x, y)), qAlpha(image.pixel(x, y)));
                if (qAlpha(image.pixel(x, y)) == 255)
                    QCOMPARE(shown.pixel(x, y), image.pixel(x, y));
            }
    }
}

QTEST_MAIN(tst_Bitmaps)
#include "tst_bitmaps.moc"
