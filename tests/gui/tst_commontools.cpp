// Drawing of contact items, country names and launching through the desktop.
#include "tools/commontools.h"
#include "tools/filetools.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QtTest>

using namespace quenlark;

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void handle(const QUrl& url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class TstCommonTools : public QObject {
    Q_OBJECT
private slots:
    void countryNames();
    void drawsTheName();
    void delegateDrawsUniformItemsFromTheirNames();
    void launchOpensUrlsAndFiles();
};

void TstCommonTools::countryNames() {
    QCOMPARE(CountryName(0), QStringLiteral("(You can select a country from the list below)"));
    QCOMPARE(CountryName(234), QStringLiteral("Zimbabwe"));
    QCOMPARE(CountryName(69), QStringLiteral("France"));
    QCOMPARE(CountryName(-1), QString());
    QCOMPARE(CountryName(235), QString());
    QCOMPARE(CountryName(INT_MIN), QString());
}

namespace {

// The share of pixels in `rect` that have exactly this colour.
double share(const QImage& image, const QRect& rect, QColor colour) {
    int hits = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            hits += image.pixelColor(x, y) == colour;
    return double(hits) / double(rect.width() * rect.height());
}

// The share of pixels in `rect` light enough to be (anti-aliased) white letters.
double lightShare(const QImage& image, const QRect& rect) {
    int hits = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            hits += qGray(image.pixel(x, y)) > 180;
    return double(hits) / double(rect.width() * rect.height());
}

} // namespace

void TstCommonTools::drawsTheName() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    const QRect rect(0, 0, 205, 20);
    auto draw = [&](const QString& name, bool selected) {
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter p(&image);
        DrawContactItem(p, rect, name, selected, font);
        return image;
    };

    // Unselected: window colour behind button-text letters, which start 5 pixels in.
    const QImage first = draw(QStringLiteral("Same Name"), false);
    const QPalette pal = QApplication::palette();
    QVERIFY(share(first, QRect(0, 0, 5, 20), pal.color(QPalette::Base)) == 1.0);
    QVERIFY(1.0 - share(first, QRect(5, 2, 80, 16), pal.color(QPalette::Base)) > 0.05);
    QCOMPARE(share(first, rect, QColor(Qt::magenta)), 0.0);
    QVERIFY(draw(QStringLiteral("Other Name"), false) != first);

    // Selected: the blue bar stretched under white letters.
    const QImage selected = draw(QStringLiteral("Same Name"), true);
    for (int y : {0, 3, 10, 19}) {
        const QColor left = selected.pixelColor(0, y);
        QCOMPARE(selected.pixelColor(204, y), left); // stretched over the whole width
        QVERIFY(left.blue() > left.green() && left.green() > left.red());
    }
    QVERIFY(lightShare(selected, QRect(5, 4, 80, 14)) > 0.05);

    // Markup is drawn as it is written.
    QVERIFY(draw(QStringLiteral("<b>x</b>"), false) != draw(QStringLiteral("x"), false));
    // No name: an empty item.
    QCOMPARE(share(draw(QString(), false), rect, pal.color(QPalette::Base)), 1.0);
}

void TstCommonTools::delegateDrawsUniformItemsFromTheirNames() {
    QListView view;
    QStringListModel model(QStringList{"Ann", "Bob", "Ann"});
    ContactItemDelegate delegate;
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setUniformItemSizes(true);
    view.resize(205, 230);
    view.setFocusPolicy(Qt::NoFocus); // no focus rectangle on the current item
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.visualRect(model.index(0)).height(), kContactItemHeight);
    QCOMPARE(view.visualRect(model.index(2)).top(), 2 * kContactItemHeight);
    const QImage shown = view.viewport()->grab().toImage();
    const auto row = [&](int r) { return shown.copy(view.visualRect(model.index(r))); };
    QCOMPARE(row(0), row(2));
    QVERIFY(row(0) != row(1));
}

void TstCommonTools::launchOpensUrlsAndFiles() {
    // Catch what would go to the desktop's handlers.
    UrlCatcher catcher;
    const auto cleanup = qScopeGuard([] {
        for (const char* scheme : {"mailto", "http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    });
    for (const char* scheme : {"mailto", "http", "https", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "handle");
    QTemporaryDir dir;
    const QString spaced = dir.path() + QStringLiteral("/whats new.txt");
    QFile f(spaced);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();

    QVERIFY(ShellLaunch(QStringLiteral("open"), QStringLiteral("mailto:ann@example.com")));
    QVERIFY(ShellLaunch(QStringLiteral("open"), QStringLiteral("https://example.com/a b")));
    QVERIFY(ShellLaunch(QStringLiteral("open"), spaced));
    QCOMPARE(catcher.urls.size(), 3);
    QCOMPARE(catcher.urls[0].toString(), QStringLiteral("mailto:ann@example.com"));
    QCOMPARE(catcher.urls[1].scheme(), QStringLiteral("https"));
    QVERIFY(catcher.urls[2].isLocalFile());
    QCOMPARE(catcher.urls[2].toLocalFile(), spaced); // one path, space and all

    // Missing files, empty names and unknown verbs are refused without reaching the desktop.
    QVERIFY(!ShellLaunch(QStringLiteral("open"), dir.path() + QStringLiteral("/missing.txt")));
    QVERIFY(!ShellLaunch(QStringLiteral("open"), QString()));
    QVERIFY(!ShellLaunch(QStringLiteral("explore"), spaced));
    // No printer is registered for plain text.
    QVERIFY(!ShellLaunch(QStringLiteral("print"), spaced));
    QCOMPARE(catcher.urls.size(), 3);
}

QTEST_MAIN(TstCommonTools)
#include "tst_commontools.moc"
