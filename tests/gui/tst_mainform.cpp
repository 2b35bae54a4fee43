// The main window's layout and frame: controls where the layout puts them, the caption bar,
// the close image, the roll-up and the caption menu.
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "forms/popupmenus.h"
#include "forms/report.h"
#include "resources/bitmaps.h"
#include "scripteduiseam.h"
#include "testenv.h"
#include "tools/commontools.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringListModel>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWith(const QStringList& names) {
    const auto header = MakeHeader();
    QByteArray bytes(header.data(), int(header.size()));
    for (const QString& n : names) {
        ContactRecord r;
        ClearContactRecord(r);
        r.setText(Field::Name, n.toStdString());
        bytes.append(r.bytes.data(), int(r.bytes.size()));
    }
    return bytes;
}

QRect rectInWindow(const QWidget* w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

bool isGrey(QRgb c) {
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

bool isBlue(QRgb c) {
    return qBlue(c) > qRed(c) + 40 && qBlue(c) > qGreen(c);
}

void openCaptionMenu(Tmainform& w) {
    const QPoint at(100, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, w.ui()->caption->mapToGlobal(at));
    QApplication::sendEvent(w.ui()->caption, &event);
    QTRY_VERIFY(w.sysmenupopup->isVisible());
}

} // namespace

class TstMainform : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { RegisterApplicationFonts(); }
    void init();
    void cleanup();

    void windowIsFramelessCentredTahoma();
    void everyControlIsShownInsideTheClientArea();
    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void captionsHintsAndTags();
    void tabOrderFollowsTheLayout();
    void detailsRowsScrollIntoView();
    void countryListAndStartState();
    void contactListHoldsHandlesOfTheDatabase();
    void captionImagesFollowActivation();
    void closeImagePressedPictureAndClick();
    void rollUpByDoubleClick();
    void captionMenuHidesAndRestoresClientArea();
    void menusAndTheirItems();
    void reportButtonOpensTheReportGenerator();

private:
    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> ui_;
};

void TstMainform::init() {
    env_ = std::make_unique<TestEnv>();
    ui_ = std::make_unique<ScriptedUiSeam>();
}

void TstMainform::cleanup() {
    QVERIFY(ui_->messages.isEmpty());
    ui_.reset();
    env_.reset();
}

void TstMainform::windowIsFramelessCentredTahoma() {
    Tmainform w;
    QVERIFY(w.startedUp());
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.size(), QSize(668, 356));
    QCOMPARE(w.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(w.font().pixelSize(), 11);
    QCOMPARE(w.ui()->Label1->font().pixelSize(), 11);
    QVERIFY(w.ui()->Label1->font().bold());
    QVERIFY(!w.ui()->Label3->font().bold());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(w.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.geometry().center().y() - screen.center().y()) <= 1);
}

// Each control drawn on its own looks the same as its place in the window's picture: it is
// inside the client area and nothing covers it.
void TstMainform::everyControlIsShownInsideTheClientArea() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ui()->contacts->setFocus(); // no blinking text cursor in the pictures
    QApplication::processEvents();
    const QImage window = w.grab().toImage();
    QCOMPARE(window.size(), QSize(668, 356));
    const QRect client = w.rect();
    int checked = 0;
    for (QWidget* control : w.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&w) || control->isWindow() || control->objectName().isEmpty() ||
            control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r = rectInWindow(control);
        if (control == w.ui()->Shape1) { // the rule above the bottom bar runs past both edges
            QVERIFY(r.left() < 0 && r.right() >= client.right());
            continue;
        }
        if (control != w.ui()->scrollbox && w.ui()->scrollbox->isAncestorOf(control))
            continue; // the details rows: checked by detailsRowsScrollIntoView
        QVERIFY2(client.contains(r), qPrintable(control->objectName()));
        if (control->parentWidget() != &w || control == w.ui()->scrollbox)
            continue;
        // Nothing lies above a control, except over the frames and rules drawn behind them.
        const bool frame = control->metaObject() == &QFrame::staticMetaObject;
        const QObjectList& siblings = w.children();
        for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size() && !frame; ++i) {
            auto* above = qobject_cast<QWidget*>(siblings[i]);
            if (!above || above->isWindow() || !above->isVisibleTo(&w))
                continue;
            QVERIFY2(!above->geometry().intersects(control->geometry()),
                     qPrintable(control->objectName() + " under " + above->objectName()));
        }
        // Key badges draw nothing of their own yet and images are see-through in parts: for
        // them the background shows, which a picture of the control alone does not have.
        const bool badge = control->metaObject() == &QWidget::staticMetaObject &&
                           control->property("Tag").isValid();
        auto* label = qobject_cast<QLabel*>(control);
        if (frame || badge || (label && !label->pixmap().isNull()))
            continue;
        const QImage alone = control->grab().toImage().convertToFormat(window.format());
        QVERIFY2(alone == window.copy(r), qPrintable(control->objectName()));
        ++checked;
    }
    QVERIFY(checked >= 20);
}

void TstMainform::controlsAtTheirPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("caption") << "caption" << QRect(0, 0, 645, 23);
    QTest::newRow("btnclose") << "btnclose" << QRect(645, 0, 23, 23);
    QTest::newRow("Shape4") << "Shape4" << QRect(0, 0, 2, 354);
    QTest::newRow("Shape6") << "Shape6" << QRect(666, 0, 2, 354);
    QTest::newRow("border_bottom") << "border_bottom" << QRect(0, 354, 668, 2);
    QTest::newRow("f1_link") << "f1_link" << QRect(64, 32, 14, 15);
    QTest::newRow("QuenlarkSpeedBtn4") << "QuenlarkSpeedBtn4" << QRect(100, 28, 57, 20);
    QTest::newRow("contacts") << "contacts" << QRect(8, 48, 205, 230);
    QTest::newRow("seperator1") << "seperator1" << QRect(220, 23, 1, 255);
    QTest::newRow("Bevel1") << "Bevel1" << QRect(228, 39, 429, 234);
    QTest::newRow("e_name") << "e_name" << QRect(236, 72, 317, 21);
    QTest::newRow("btnDelete") << "btnDelete" << QRect(572, 100, 70, 23);
    QTest::newRow("PaintBox4") << "PaintBox4" << QRect(644, 108, 14, 15);
    QTest::newRow("scrollbox") << "scrollbox" << QRect(236, 136, 409, 129);
    QTest::newRow("e_zipcode") << "e_zipcode" << QRect(268, 196, 121, 21);
    QTest::newRow("e_country") << "e_country" << QRect(0, 284, 390, 21);
    QTest::newRow("Shape3") << "Shape3" << QRect(364, 278, 1, 35);
    QTest::newRow("e_searchfor") << "e_searchfor" << QRect(64, 284, 149, 21);
    QTest::newRow("match_case") << "match_case" << QRect(222, 288, 75, 17);
    QTest::newRow("QuenlarkSpeedBtn2") << "QuenlarkSpeedBtn2" << QRect(320, 284, 20, 20);
    QTest::newRow("panel_ctrls") << "panel_ctrls" << QRect(372, 276, 281, 29);
    QTest::newRow("sendmail") << "sendmail" << QRect(13, 1, 24, 24);
    QTest::newRow("PaintBox6") << "PaintBox6" << QRect(88, 6, 21, 15);
    QTest::newRow("Shape1") << "Shape1" << QRect(-8, 312, 1000, 1);
    QTest::newRow("letter_icon") << "letter_icon" << QRect(84, 317, 32, 32);
    QTest::newRow("QuenlarkStdButton1") << "QuenlarkStdButton1" << QRect(352, 324, 185, 23);
    QTest::newRow("QuenlarkStdButton2") << "QuenlarkStdButton2" << QRect(544, 324, 113, 23);
}

void TstMainform::controlsAtTheirPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* control = w.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
}

void TstMainform::captionsHintsAndTags() {
    Tmainform w;
    const auto& ui = *w.ui();
    QCOMPARE(ui.Label10->text(), QStringLiteral("Seccond E-Mail address: "));
    QCOMPARE(ui.Label14->text(), QStringLiteral("Zip code: "));
    QCOMPARE(ui.Label3->pos(), QPoint(236, 56));
    QCOMPARE(ui.match_case->text(), QStringLiteral("Match &case"));
    QCOMPARE(ui.QuenlarkSpeedBtn1->Caption(), QStringLiteral("&Sort"));
    QCOMPARE(ui.QuenlarkStdButton2->Caption(), QStringLiteral("E&xit Address Book"));
    QCOMPARE(ui.QuenlarkStdButton2->Tag(), 1);
    QVERIFY(ui.btnAdd->Default());
    QVERIFY(!ui.btnModify->Default());
    QCOMPARE(ui.btnAdd->TransparentColour(), clLime);
    QCOMPARE(ui.QuenlarkSpeedBtn2->TransparentColour(), clFuchsia);
    QVERIFY(!ui.QuenlarkSpeedBtn4->Icon().isNull());
    QCOMPARE(ui.QuenlarkWebLink1->Caption(), QStringLiteral("Select nothing"));
    QVERIFY(ui.QuenlarkWebLink2->Bold());
    QCOMPARE(ui.QuenlarkWebLink3->Caption(), QStringLiteral("Web Site"));
    QCOMPARE(ui.match_case->toolTip(),
             QStringLiteral("Click Here if you want your search to match your search string's "
                            "case option aswell (e.g. Pandora would be diffrent to pandora)"));
    QCOMPARE(ui.sendmail2->toolTip(),
             QStringLiteral("Click Here to send an e-mail to the contact using their seccond "
                            "e-mail address"));
    QCOMPARE(ui.letter_icon->toolTip(), QStringLiteral("Quenlark Address Book 2.4"));
    QCOMPARE(ui.e_website->maxLength(), 299);
    QCOMPARE(ui.e_zipcode->maxLength(), 99);
    QCOMPARE(ui.e_city->maxLength(), 254);

    // Tags of the edit boxes and key badges.
    const QList<QPair<QWidget*, int>> tags = {
        {ui.e_name, 1},     {ui.e_email, 3},   {ui.e_city, 10},   {ui.f1_link, 1},
        {ui.PaintBox1, 5},  {ui.PaintBox7, 3}, {ui.PaintBox9, 2}, {ui.PaintBox5, 9},
        {ui.PaintBox6, 10}, {ui.PaintBox2, 6}, {ui.PaintBox8, 4}, {ui.e_phone, 6}};
    for (const auto& [widget, tag] : tags)
        QVERIFY2(widget->property("Tag").toInt() == tag, qPrintable(widget->objectName()));

    // Enter chain in its order.
    QCOMPARE(w.EnterChain[0], ui.e_name);
    QCOMPARE(w.EnterChain[7], ui.e_address);
    QCOMPARE(w.EnterChain[8], ui.e_zipcode);
    QCOMPARE(w.EnterChain[10], ui.e_country);

    // The link panels are hidden and pack against the right edge when shown.
    QVERIFY(ui.panel_sendmail->isHidden() && ui.panel_website->isHidden() &&
            ui.panel_sendmail2->isHidden());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ui.panel_website->show();
    QTRY_COMPARE(ui.panel_website->geometry(), QRect(281 - 113, 0, 113, 29));
    ui.panel_sendmail->show();
    ui.panel_sendmail2->show();
    QTRY_COMPARE(ui.panel_sendmail->geometry(), QRect(10, 0, 117, 29));
    QCOMPARE(ui.panel_website->geometry(), QRect(127, 0, 113, 29));
    QCOMPARE(ui.panel_sendmail2->geometry(), QRect(240, 0, 41, 29));
}

void TstMainform::tabOrderFollowsTheLayout() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto& ui = *w.ui();
    QStringList order;
    QWidget* widget = ui.contacts;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(&w) &&
            widget->isEnabled() && !widget->focusProxy())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != ui.contacts);
    const QStringList expected = {"contacts",
                                  "e_name",
                                  "e_nickname",
                                  "e_email",
                                  "e_2ndemail",
                                  "e_website",
                                  "e_phone",
                                  "e_mobile",
                                  "e_address",
                                  "e_zipcode",
                                  "e_city",
                                  "e_country",
                                  "btnAdd",
                                  "btnModify",
                                  "btnDelete",
                                  "e_searchfor",
                                  "match_case",
                                  "QuenlarkStdButton1",
                                  "QuenlarkStdButton2",
                                  "QuenlarkWebLink1"};
    QCOMPARE(order, expected);
}

void TstMainform::detailsRowsScrollIntoView() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto& ui = *w.ui();
    QScrollArea* box = ui.scrollbox;
    QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(box->verticalScrollBar()->isVisible());
    QCOMPARE(box->verticalScrollBar()->value(), 0);
    const QRect view = box->viewport()->rect();
    // The rows fit the box's width; the ones from "Address" down start below its view.
    for (QWidget* row :
         ui.scrollbox_contents->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect r(row->mapTo(box->viewport(), QPoint(0, 0)), row->size());
        QVERIFY2(r.left() >= 0 && r.right() <= view.right(), qPrintable(row->objectName()));
    }
    QVERIFY(!view.contains(
        QRect(ui.e_address->mapTo(box->viewport(), QPoint(0, 0)), ui.e_address->size())));
    // Moving the focus down the rows scrolls them into view.
    ui.e_country->setFocus();
    QTRY_VERIFY(box->verticalScrollBar()->value() > 0);
    const QRect country(ui.e_country->mapTo(box->viewport(), QPoint(0, 0)), ui.e_country->size());
    QVERIFY(view.contains(country));
}

void TstMainform::countryListAndStartState() {
    Tmainform w;
    const auto& ui = *w.ui();
    QCOMPARE(ui.e_country->count(), int(kCountries.size()));
    QCOMPARE(ui.e_country->count(), 235);
    QVERIFY(!ui.e_country->isEditable());
    for (int i : {0, 1, 100, 234})
        QCOMPARE(ui.e_country->itemText(i), CountryName(i));
    QCOMPARE(ui.e_country->currentIndex(), 0);
    QCOMPARE(ui.letter_icon->pixmap().size(), QSize(32, 32));
    QVERIFY(!ui.sendmail->pixmap().isNull());
    QVERIFY(!ui.website->pixmap().isNull());
    QVERIFY(!ui.sendmail2->pixmap().isNull());
    // Green is see-through in the link pictures.
    QCOMPARE(ui.sendmail->pixmap().toImage().pixelColor(0, 0).alpha(), 0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.e_name));
}

void TstMainform::contactListHoldsHandlesOfTheDatabase() {
    env_->writeDatabase(databaseWith({"Ann", "Bob", "Cy"}));
    Tmainform w;
    QVERIFY(w.startedUp());
    std::vector<std::string> handles;
    env_->engine().CopyContactIndex(handles);
    QStringList expected;
    for (const auto& h : handles)
        expected << QString::fromStdString(h);
    QCOMPARE(w.contactsModel()->stringList(), expected);
    QCOMPARE(w.ui()->contacts->model(), static_cast<QAbstractItemModel*>(w.contactsModel()));
    QVERIFY(dynamic_cast<ContactItemDelegate*>(w.ui()->contacts->itemDelegate()));
    QVERIFY(w.ui()->contacts->uniformItemSizes());
    QCOMPARE(w.ui()->contacts->sizeHintForRow(0), 20);
    QCOMPARE(w.ui()->contacts->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TstMainform::captionImagesFollowActivation() {
    Tmainform w;
    QVERIFY(w.startedUp());
    const QImage active = w.activeCaptionImage().toImage();
    const QImage inactive = w.inactiveCaptionImage().toImage();
    QCOMPARE(active.size(), QSize(645, 23));
    QCOMPARE(inactive.size(), QSize(645, 23));
    // Stretched skin: blue when active, grey when not; black side edges; white title.
    QVERIFY(isBlue(active.pixel(600, 11)));
    QVERIFY(isGrey(inactive.pixel(600, 11)) && qRed(inactive.pixel(600, 11)) > 40);
    for (const QImage& image : {active, inactive}) {
        QCOMPARE(image.pixel(0, 11), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(644, 11), qRgb(0, 0, 0));
        int white = 0;
        for (int x = 5; x < 250; ++x)
            for (int y = 0; y < 23; ++y)
                white += image.pixel(x, y) == qRgb(255, 255, 255);
        QVERIFY(white > 50);
        for (int y = 0; y < 23; ++y) // nothing written past the title
            QVERIFY(image.pixel(450, y) != qRgb(255, 255, 255));
    }

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QCOMPARE(w.currentCaptionImage().cacheKey(), w.inactiveCaptionImage().cacheKey());
    QCOMPARE(w.ui()->caption->grab().toImage().convertToFormat(inactive.format()), inactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(w.ui()->caption->grab().toImage().convertToFormat(active.format()), active);
}

void TstMainform::closeImagePressedPictureAndClick() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QLabel* close = w.ui()->btnclose;
    const QImage up = LoadTransparentBitmap("IDB_CLOSE_UP", qRgb(0, 255, 0)).toImage();
    const QImage down = LoadTransparentBitmap("IDB_CLOSE_DOWN", qRgb(0, 255, 0)).toImage();
    QVERIFY(up != down);
    QCOMPARE(close->pixmap().toImage(), up);

    QTest::mousePress(close, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(close->pixmap().toImage(), up);
    QTest::mouseRelease(close, Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(w.isVisible());

    QTest::mousePress(close, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(close->pixmap().toImage(), down);
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(40, 40)); // let go elsewhere
    QCOMPARE(close->pixmap().toImage(), up);
    QVERIFY(w.isVisible());

    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!w.isVisible());
}

void TstMainform::rollUpByDoubleClick() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* caption = w.ui()->caption;
    QTest::mouseDClick(caption, Qt::RightButton, {}, QPoint(100, 10));
    QCOMPARE(w.height(), 356);
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(100, 10));
    QCOMPARE(w.height(), 23);
    QVERIFY(w.ui()->border_bottom->isHidden());
    QVERIFY(w.ui()->btnclose->isVisible());
    QCOMPARE(w.ui()->Shape4->height(), 23);
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(100, 10));
    QCOMPARE(w.height(), 356);
    QVERIFY(!w.ui()->border_bottom->isHidden());
    QCOMPARE(w.ui()->border_bottom->geometry(), QRect(0, 354, 668, 2));
}

void TstMainform::captionMenuHidesAndRestoresClientArea() {
    Tmainform w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    openCaptionMenu(w);
    QCOMPARE(w.mnsize->text(), QStringLiteral("&Hide window"));
    w.mnsize->trigger();
    w.sysmenupopup->hide();
    QCOMPARE(w.height(), 23);
    QVERIFY(!w.ui()->border_bottom->isHidden()); // the menu leaves the border alone
    openCaptionMenu(w);
    QCOMPARE(w.mnsize->text(), QStringLiteral("&Restore"));
    w.mnsize->trigger();
    w.sysmenupopup->hide();
    QCOMPARE(w.height(), 356);

    // Rolled up by double click, restored by the menu: the border stays hidden.
    QTest::mouseDClick(w.ui()->caption, Qt::LeftButton, {}, QPoint(100, 10));
    openCaptionMenu(w);
    QCOMPARE(w.mnsize->text(), QStringLiteral("&Restore"));
    w.mnsize->trigger();
    w.sysmenupopup->hide();
    QCOMPARE(w.height(), 356);
    QVERIFY(w.ui()->border_bottom->isHidden());

    openCaptionMenu(w);
    w.Close1->trigger();
    QVERIFY(!w.isVisible());
}

void TstMainform::menusAndTheirItems() {
    Tmainform w;
    const auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    };
    QCOMPARE(texts(w.help_popup),
             (QStringList{"&About Quenlark Address Book 2.4", "&Quenlark Home Page", "-",
                          "&Program options", "-", "&View file"}));
    QCOMPARE(texts(w.Viewfile1), (QStringList{"info.txt", "license.txt", "whats new.txt"}));
    QCOMPARE(texts(w.backup_popup),
             (QStringList{"&Save backup file", "&Recover using a backup file"}));
    QCOMPARE(texts(w.contactlist_popup),
             (QStringList{"&Add contact fast", "-", "&Delete contact"}));
    // Captions without an accelerator get one; the file names keep theirs as written.
    QCOMPARE(texts(w.sortpopup), (QStringList{"&Ascending", "&Descending "}));
    QCOMPARE(MenuItemTag(w.Ascending1), 1);
    QCOMPARE(MenuItemTag(w.Descending1), 2);
    QVERIFY(IsMenuCentred(w.help_popup) && IsMenuCentred(w.backup_popup) &&
            IsMenuCentred(w.sortpopup));
    QVERIFY(!IsMenuCentred(w.sysmenupopup) && !IsMenuCentred(w.contactlist_popup));
    QVERIFY(!HasAutoHotkeys(w.help_popup) && !HasAutoHotkeys(w.Viewfile1));
    QVERIFY(dynamic_cast<QuenlarkMenuStyle*>(w.sortpopup->style()));
    QCOMPARE(texts(w.sysmenupopup), (QStringList{"<>", "-", "&Close"}));
    QCOMPARE(w.ui()->QuenlarkSpeedBtn1->DropDown(), w.sortpopup);
    QCOMPARE(w.ui()->QuenlarkSpeedBtn3->DropDown(), w.help_popup);
    QCOMPARE(w.ui()->QuenlarkStdButton1->DropDown(), w.backup_popup);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint at(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            w.ui()->contacts->viewport()->mapToGlobal(at));
    QApplication::sendEvent(w.ui()->contacts->viewport(), &event);
    QTRY_VERIFY(w.contactlist_popup->isVisible());
    w.contactlist_popup->hide();
}

void TstMainform::reportButtonOpensTheReportGenerator() {
    Tmainform w;
    w.show();
    QString seen;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<Treportgen*>(QApplication::activeModalWidget())) {
            seen = dialog->metaObject()->className();
            owner = dialog->parentWidget();
            dialog->reject();
        }
    });
    QTest::mouseClick(w.ui()->QuenlarkSpeedBtn4, Qt::LeftButton);
    QCOMPARE(seen, QStringLiteral("quenlark::Treportgen"));
    QCOMPARE(owner, &w);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TstMainform)
#include "tst_mainform.moc"
