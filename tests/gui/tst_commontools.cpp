// Drawing of contact items, country names and launching through the desktop.
#include "scripteduiseam.h"
#include "testenv.h"
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
using namespace quenlark::test;

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
    void drawsNamesNotHandles();
    void delegateGivesUniformItems();
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

void TstCommonTools::drawsNamesNotHandles() {
    TestEnv env;
    ContactRecord a, b;
    ClearContactRecord(a);
    a.setText(Field::Name, "Same Name");
    ClearContactRecord(b);
    b.setText(Field::Name, "Same Name");
    QVERIFY(env.engine().OpenAddressBook());
    QVERIFY(env.engine().AppendContact(a));
    QVERIFY(env.engine().AppendContact(b));
    env.engine().LoadContactIndex();
    std::vector<std::string> handles;
    env.engine().CopyContactIndex(handles);

    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    const QRect rect(0, 0, 205, 20);
    auto draw = [&](const QString& handle, bool selected) {
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter p(&image);
        DrawContactItem(p, rect, handle, selected, font);
        return image;
    };

    // Two contacts of the same name draw alike, each from its own entry.
    const QImage first = draw(QString::fromStdString(handles[0]), false);
    QCOMPARE(draw(QString::fromStdString(handles[1]), false), first);

    // Unselected: window colour behind button-text letters, which start 5 pixels in.
    const QPalette pal = QApplication::palette();
    QVERIFY(share(first, QRect(0, 0, 5, 20), pal.color(QPalette::Base)) == 1.0);
    QVERIFY(1.0 - share(first, QRect(5, 2, 80, 16), pal.color(QPalette::Base)) > 0.05);
    QCOMPARE(share(first, rect, QColor(Qt::magenta)), 0.0);

    // Selected: the blue bar stretched under white letters.
    const QImage selected = draw(QString::fromStdString(handles[0]), true);
    for (int y : {0, 3, 10, 19}) {
        const QColor left = selected.pixelColor(0, y);
        QCOMPARE(selected.pixelColor(204, y), left); // stretched over the whole width
        QVERIFY(left.blue() > left.green() && left.green() > left.red());
    }
    QVERIFY(lightShare(selected, QRect(5, 4, 80, 14)) > 0.05);

    // A handle that names nothing (stale or garbage) draws an empty item.
    env.engine().LoadContactIndex();
    const QImage stale = draw(QString::fromStdString(handles[0]), false);
    QCOMPARE(share(stale, rect, pal.color(QPalette::Base)), 1.0);
    QCOMPARE(draw(QStringLiteral("<b>x</b>"), false), stale);
}

void TstCommonTools::delegateGivesUniformItems() {
    TestEnv env;
    QListView view;
    QStringListModel model(QStringList{"1", "2", "3"});
    ContactItemDelegate delegate;
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setUniformItemSizes(true);
    view.resize(205, 230);
    view.show();
    QCOMPARE(view.visualRect(model.index(0)).height(), kContactItemHeight);
    QCOMPARE(view.visualRect(model.index(2)).top(), 2 * kContactItemHeight);
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
