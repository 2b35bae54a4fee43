// The owner-drawn popup menus: measuring and drawing single items, a real menu laid out and
// painted by the menu style, accelerators (as written and automatic) and centred popups.
#include "forms/popupmenus.h"
#include "platform/services.h"
#include "resources/bitmaps.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace quenlark;

namespace {

const QColor kFace(201, 198, 190);
const QColor kButtonText(16, 32, 48);
const QColor kDisabledText(150, 151, 152);
const QColor kShadow(120, 110, 100);
const QColor kUntouched(255, 0, 255);
const QColor kSelectedFill(0x2E, 0x59, 0x85);
const QColor kOrange(0xFF, 0x80, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Tahoma 8 point without antialiasing, so every pixel of a glyph has the text colour.
QFont SharpFont() {
    QFont font = MenuFont();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage Blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kUntouched);
    return image;
}

// The pixels of `colour` inside `area`, as points relative to `origin`.
QList<QPoint> Ink(const QImage& image, const QRect& area, QColor colour, QPoint origin) {
    QList<QPoint> points;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (At(image, x, y) == colour)
                points.append(QPoint(x, y) - origin);
    return points;
}

// The caption drawn as the platform's DrawText draws it, at (0, 0) of an empty image.
QList<QPoint> ReferenceInk(const QString& caption, const QFont& font) {
    QImage image = Blank(QSize(300, 20));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(kButtonText);
    painter.drawText(QRect(0, 0, 300, 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic,
                     caption);
    painter.end();
    return Ink(image, image.rect(), kButtonText, QPoint());
}

QImage DrawItem(QSize imageSize, QRect rect, const QString& caption, bool separator, bool selected,
                bool enabled = true) {
    QImage image = Blank(imageSize);
    QPainter painter(&image);
    draw_menu(painter, rect, caption, separator, selected, SharpFont(), enabled);
    return image;
}

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* item : menu->actions())
        captions.append(item->text());
    return captions;
}

} // namespace

class TstPopupMenus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void measuresCaptionAsStored_data();
    void measuresCaptionAsStored();
    void drawsStripAndUnselectedItem();
    void drawsSelectedItem();
    void centresCaptionAndMovesItRight_data();
    void centresCaptionAndMovesItRight();
    void drawsSeparatorAcrossWholeItem();
    void staysInsideAnItemThatIsNotAtTheOrigin();
    void menuItemsHaveTheMeasuredSizes();
    void menuIsPaintedByTheStyle();
    void accelerators();
    void automaticAccelerators();
    void viewFileItemsKeepTheirCaptions();
    void centredMenusOpenAroundThePoint();
};

void TstPopupMenus::initTestCase() {
    RegisterApplicationFonts();
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, kFace);
    palette.setColor(QPalette::ButtonText, kButtonText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, kDisabledText);
    palette.setColor(QPalette::Dark, kShadow);
    QApplication::setPalette(palette);
    QVERIFY2(!LoadResourceBitmap(QStringLiteral("IDB_MENU_LEFT")).isNull(),
             "the IDB_MENU_LEFT bitmap is missing");
}

void TstPopupMenus::cleanup() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void TstPopupMenus::measuresCaptionAsStored_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<QString>("measured");
    QTest::addColumn<int>("height");
    QTest::newRow("plain") << "Ascending" << false << "Ascending" << 20;
    QTest::newRow("trailing space") << "Descending " << false << "Descending " << 20;
    QTest::newRow("ampersand counted") << "&Save backup file" << false << "&Save backup file" << 20;
    QTest::newRow("separator action") << "" << true << "-" << 1;
    QTest::newRow("dash caption") << "-" << false << "-" << 1;
}

void TstPopupMenus::measuresCaptionAsStored() {
    QFETCH(QString, caption);
    QFETCH(bool, separator);
    QFETCH(QString, measured);
    QFETCH(int, height);
    const QFont font = MenuFont();
    const QSize size = measure_menu(caption, separator, font);
    QCOMPARE(size, QSize(QFontMetrics(font).horizontalAdvance(measured) + 40, height));
    if (caption.startsWith(QLatin1Char('&')))
        QVERIFY(size.width() > QFontMetrics(font).horizontalAdvance(caption.mid(1)) + 40);
}

void TstPopupMenus::drawsStripAndUnselectedItem() {
    const QImage strip = LoadResourceBitmap(QStringLiteral("IDB_MENU_LEFT"))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(strip.size(), QSize(19, 20));
    // Dark blue at its left edge to bright blue at its right.
    QVERIFY(At(strip, 0, 10).blue() < At(strip, 18, 10).blue());
    QVERIFY(qAbs(At(strip, 0, 10).blue() - 0x87) <= 16);
    QVERIFY(qAbs(At(strip, 18, 10).blue() - 0xE1) <= 16);

    const QImage image = DrawItem(QSize(160, 20), QRect(0, 0, 160, 20), "Ascending", false, false);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 19; ++x)
            QCOMPARE(At(image, x, y), At(strip, x, y));
        QCOMPARE(At(image, 19, y), kUntouched); // the column beside the strip is not drawn
    }
    for (QPoint p : {QPoint(20, 0), QPoint(159, 0), QPoint(20, 19), QPoint(159, 19), QPoint(25, 10),
                     QPoint(150, 10)})
        QCOMPARE(At(image, p.x(), p.y()), kFace);
    const QList<QPoint> text = Ink(image, QRect(20, 0, 140, 20), kButtonText, QPoint());
    QVERIFY(!text.isEmpty());
    // Nothing but face and text colour right of the strip.
    const qsizetype face = Ink(image, QRect(20, 0, 140, 20), kFace, QPoint()).size();
    QCOMPARE(face + text.size(), 140 * 20);

    const QImage disabled =
        DrawItem(QSize(160, 20), QRect(0, 0, 160, 20), "Ascending", false, false, false);
    QCOMPARE(Ink(disabled, disabled.rect(), kDisabledText, QPoint()), text);
}

void TstPopupMenus::drawsSelectedItem() {
    // The widest caption of its menu, without an "&": it reaches the right edge.
    const QString caption = QStringLiteral("whats new.txt");
    const int width = measure_menu(caption, false, MenuFont()).width();
    const QImage image = DrawItem(QSize(width, 20), QRect(0, 0, width, 20), caption, false, true);
    const int right = width - 1;
    QCOMPARE(At(image, 19, 10), kUntouched);
    for (int y = 0; y < 20; ++y) {
        QCOMPARE(At(image, 20, y), kOrange);
        QCOMPARE(At(image, right, y), kOrange);
    }
    for (int x = 20; x <= right; ++x) {
        QCOMPARE(At(image, x, 0), kOrange);
        QCOMPARE(At(image, x, 19), kOrange);
    }
    const QRect inside(21, 1, width - 22, 18);
    const qsizetype fill = Ink(image, inside, kSelectedFill, QPoint()).size();
    const qsizetype text = Ink(image, inside, kWhite, QPoint()).size();
    QVERIFY(text > 20);
    QCOMPARE(fill + text, inside.width() * inside.height());
}

void TstPopupMenus::centresCaptionAndMovesItRight_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("selected");
    QTest::newRow("plain") << "Ascending" << 150 << false;
    QTest::newRow("odd width") << "Descending " << 151 << true;
    QTest::newRow("mnemonic") << "&Delete contact" << 180 << false;
    QTest::newRow("mnemonic selected") << "&About Quenlark Address Book 2.4" << 260 << true;
}

void TstPopupMenus::centresCaptionAndMovesItRight() {
    QFETCH(QString, caption);
    QFETCH(int, width);
    QFETCH(bool, selected);
    const QFont font = SharpFont();
    const QImage image =
        DrawItem(QSize(width, 20), QRect(0, 0, width, 20), caption, false, selected);
    // Centred by the width as stored, "&" included, each half rounded toward zero.
    const int x = width / 2 - QFontMetrics(font).horizontalAdvance(caption) / 2 + 20;
    const QList<QPoint> drawn =
        Ink(image, QRect(21, 1, width - 22, 18), selected ? kWhite : kButtonText, QPoint(x, 2));
    // Same glyphs, the "&" hidden and the next letter underlined, moved to (x, 2).
    QCOMPARE(drawn, ReferenceInk(caption, font));
}

void TstPopupMenus::drawsSeparatorAcrossWholeItem() {
    for (bool selected : {false, true}) {
        const QImage image = DrawItem(QSize(120, 5), QRect(0, 2, 120, 1), "", true, selected);
        for (int x = 0; x < 120; ++x) {
            QCOMPARE(At(image, x, 1), kUntouched);
            QCOMPARE(At(image, x, 2), kShadow);
            QCOMPARE(At(image, x, 3), kUntouched);
        }
    }
    // A plain item captioned "-" is a separator too.
    const QImage dash = DrawItem(QSize(60, 1), QRect(0, 0, 60, 1), "-", false, false);
    QCOMPARE(Ink(dash, dash.rect(), kShadow, QPoint()).size(), 60);
}

void TstPopupMenus::staysInsideAnItemThatIsNotAtTheOrigin() {
    const QRect item(10, 20, 150, 20);
    const QString caption = QStringLiteral("&Close");
    const QImage image = DrawItem(QSize(200, 60), item, caption, false, true);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (!item.contains(x, y))
                QCOMPARE(At(image, x, y), kUntouched);
    QVERIFY(At(image, 10, 20) != kUntouched);
    QCOMPARE(At(image, 29, 30), kUntouched);
    QCOMPARE(At(image, 30, 20), kOrange);
    const int x = 10 + 150 / 2 - QFontMetrics(SharpFont()).horizontalAdvance(caption) / 2 + 20;
    QCOMPARE(Ink(image, item.adjusted(21, 1, -1, -1), kWhite, QPoint(x, 22)),
             ReferenceInk(caption, SharpFont()));
}

void TstPopupMenus::menuItemsHaveTheMeasuredSizes() {
    QWidget host;
    QMenu* menu = NewOwnerDrawnMenu(&host);
    AddMenuItem(menu, QStringLiteral("&About Quenlark Address Book 2.4"));
    AddMenuItem(menu, QStringLiteral("&Quenlark Home Page"));
    AddMenuSeparator(menu);
    AddMenuItem(menu, QStringLiteral("&Program options"));
    AddMenuItem(menu, QStringLiteral("-"));
    QMenu* files = AddSubMenu(menu, QStringLiteral("&View file"));
    AddMenuItem(files, QStringLiteral("info.txt"));
    QCOMPARE(menu->actions().size(), 6);
    QVERIFY(menu->actions().at(4)->isSeparator());
    menu->popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(menu));

    int maxWidth = 0;
    int y = 0;
    for (QAction* item : menu->actions())
        maxWidth =
            qMax(maxWidth, measure_menu(item->text(), item->isSeparator(), MenuFont()).width());
    for (QAction* item : menu->actions()) {
        const QSize measured = measure_menu(item->text(), item->isSeparator(), MenuFont());
        // Every item as wide as the widest, stacked without frame, margin or gap.
        QCOMPARE(menu->actionGeometry(item), QRect(0, y, maxWidth, measured.height()));
        y += measured.height();
    }
    QCOMPARE(menu->sizeHint(), QSize(maxWidth, y));
    QCOMPARE(menu->size(), QSize(maxWidth, y));
    QCOMPARE(menu->font().pixelSize(), 11);
}

void TstPopupMenus::menuIsPaintedByTheStyle() {
    QWidget host;
    QMenu* menu = NewOwnerDrawnMenu(&host);
    QAction* save = AddMenuItem(menu, QStringLiteral("&Save backup file"));
    AddMenuSeparator(menu);
    QMenu* files = AddSubMenu(menu, QStringLiteral("&View file"));
    AddMenuItem(files, QStringLiteral("info.txt"));
    menu->popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(save);
    const QImage image = menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage strip = LoadResourceBitmap(QStringLiteral("IDB_MENU_LEFT")).toImage();
    const int right = menu->width() - 1;
    QCOMPARE(At(image, 0, 0), QColor(strip.pixel(0, 0)));
    QCOMPARE(At(image, 20, 5), kOrange); // the selected item
    QCOMPARE(At(image, right, 5), kOrange);
    QCOMPARE(At(image, 19, 5), kFace); // the menu's own background shows beside the strip
    for (int x = 0; x <= right; ++x)
        QCOMPARE(At(image, x, 20), kShadow);
    QCOMPARE(At(image, 0, 21), QColor(strip.pixel(0, 0)));
    QCOMPARE(At(image, 21, 22), kFace);
    // The submenu's arrow, in the text colour, at the right of its item.
    QVERIFY(!Ink(image, QRect(right - 12, 21, 12, 20), kButtonText, QPoint()).isEmpty());
}

void TstPopupMenus::accelerators() {
    QCOMPARE(CaptionHotkey(QStringLiteral("&Save")), QChar(u'S'));
    QCOMPARE(CaptionHotkey(QStringLiteral("Hide &window")), QChar(u'W'));
    QCOMPARE(CaptionHotkey(QStringLiteral("Rock &&Roll &now")), QChar(u'N'));
    QVERIFY(CaptionHotkey(QStringLiteral("A&&B")).isNull());
    QVERIFY(CaptionHotkey(QStringLiteral("Ascending")).isNull());

    QWidget host;
    QMenu* menu = NewOwnerDrawnMenu(&host);
    QAction* save = AddMenuItem(menu, QStringLiteral("&Save backup file"), 7);
    QAction* recover = AddMenuItem(menu, QStringLiteral("&Recover using a backup file"), 8);
    QCOMPARE(MenuItemTag(save), 7);
    QCOMPARE(recover->data().toInt(), 8);
    QCOMPARE(recover->property("Tag").toInt(), 8);

    QSignalSpy saved(save, &QAction::triggered);
    QSignalSpy recovered(recover, &QAction::triggered);
    menu->popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_R);
    QCOMPARE(recovered.size(), 1);
    QCOMPARE(saved.size(), 0);
    QTRY_VERIFY(!menu->isVisible());

    // The same through exec(), with the key sent while the menu waits.
    QTimer::singleShot(0, menu, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_S);
    });
    QCOMPARE(ExecMenu(menu, QPoint(100, 100)), save);
    QCOMPARE(saved.size(), 1);
}

void TstPopupMenus::automaticAccelerators() {
    QWidget host;
    QMenu* sort = NewOwnerDrawnMenu(&host);
    AddMenuItem(sort, QStringLiteral("Ascending"), 1);
    AddMenuItem(sort, QStringLiteral("Descending "), 2);
    QVERIFY(!HasAutoHotkeys(sort));
    QCOMPARE(Captions(sort), QStringList({"Ascending", "Descending "}));
    SetAutoHotkeys(sort, true);
    QVERIFY(HasAutoHotkeys(sort));
    QCOMPARE(Captions(sort), QStringList({"&Ascending", "&Descending "}));
    // The menu measures the captions as they are now stored.
    QCOMPARE(sort->sizeHint().width(),
             measure_menu(QStringLiteral("&Descending "), false, MenuFont()).width());

    QSignalSpy chosen(sort, &QMenu::triggered);
    sort->popup(QPoint(50, 50));
    QVERIFY(QTest::qWaitForWindowExposed(sort));
    QTest::keyClick(sort, Qt::Key_D);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(MenuItemTag(chosen.at(0).at(0).value<QAction*>()), 2);

    // Letters already taken are skipped: first letters of words, then any letter or digit.
    QMenu* menu = NewOwnerDrawnMenu(&host);
    AddMenuItem(menu, QStringLiteral("<>"));
    AddMenuSeparator(menu);
    AddMenuItem(menu, QStringLiteral("Copy"));
    AddMenuItem(menu, QStringLiteral("&Close"));
    SetAutoHotkeys(menu, true);
    AddMenuItem(menu, QStringLiteral("Cut it"));
    AddMenuItem(menu, QStringLiteral("CCC"));
    QCOMPARE(Captions(menu), QStringList({"<>", "-", "C&opy", "&Close", "Cut &it", "CCC"}));
    // A caption replaced later gets an accelerator too; one written with "&" stays as it is.
    menu->actions().at(0)->setText(QStringLiteral("Hide window"));
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("&Hide window"));
    menu->actions().at(0)->setText(QStringLiteral("&Restore"));
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("&Restore"));
}

void TstPopupMenus::viewFileItemsKeepTheirCaptions() {
    QWidget host;
    QMenu* help = NewOwnerDrawnMenu(&host);
    SetMenuCentred(help, true);
    AddMenuItem(help, QStringLiteral("&Program options"));
    QMenu* files = AddSubMenu(help, QStringLiteral("&View file"));
    for (const char* name : {"info.txt", "license.txt", "whats new.txt"})
        AddMenuItem(files, QString::fromLatin1(name));
    QVERIFY(!HasAutoHotkeys(files));
    QSignalSpy chosen(help, &QMenu::triggered);

    PopupMenu(help, QPoint(300, 100));
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QTest::keyClick(help, Qt::Key_V);
    QTRY_COMPARE(QApplication::activePopupWidget(), files);
    QCOMPARE(Captions(files), QStringList({"info.txt", "license.txt", "whats new.txt"}));
    QTest::keyClick(files, Qt::Key_L); // no accelerator was added: nothing happens
    QCOMPARE(chosen.size(), 0);
    QTRY_COMPARE(files->activeAction(), files->actions().at(0));
    QTest::keyClick(files, Qt::Key_Down);
    QTest::keyClick(files, Qt::Key_Down);
    QTest::keyClick(files, Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).value<QAction*>()->text(), QStringLiteral("whats new.txt"));
}

void TstPopupMenus::centredMenusOpenAroundThePoint() {
    QWidget host;
    QMenu* menu = NewOwnerDrawnMenu(&host);
    AddMenuItem(menu, QStringLiteral("&Save backup file"));
    AddMenuItem(menu, QStringLiteral("&Recover using a backup file"));
    const QPoint at(400, 120);
    const int width = menu->sizeHint().width();

    QVERIFY(!IsMenuCentred(menu));
    QCOMPARE(MenuOrigin(menu, at), at);
    PopupMenu(menu, at);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->pos(), at);
    menu->close();

    SetMenuCentred(menu, true);
    QCOMPARE(MenuOrigin(menu, at), QPoint(at.x() - width / 2, at.y()));
    PopupMenu(menu, at);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->pos(), QPoint(at.x() - width / 2, at.y()));
    menu->close();

    SetMenuCentred(menu, false);
    PopupCentred(menu, at);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->pos(), QPoint(at.x() - width / 2, at.y()));
}

QTEST_MAIN(TstPopupMenus)
#include "tst_popupmenus.moc"
