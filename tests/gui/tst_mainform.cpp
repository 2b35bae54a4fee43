// The main window's layout and frame: controls where the layout puts them, the caption bar,
// the close image, the roll-up and the caption menu, the menus, the Report button.
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "forms/keybadge.h"
#include "forms/mainform.h"
#include "forms/popupmenus.h"
#include "forms/report.h"
#include "guitest.h"
#include "modaldriver.h"
#include "resources/bitmaps.h"
#include "tools/commontools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QRect rectInWindow(const QWidget* w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

bool isGrey(QRgb c) {
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

bool isBlue(QRgb c) {
    return qBlue(c) > qRed(c) + 40 && qBlue(c) > qGreen(c);
}

QMenu* openCaptionMenu(Tmainform& w) {
    const QPoint at(100, 10);
    QWidget* caption = Child(w, "caption");
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, caption->mapToGlobal(at));
    QApplication::sendEvent(caption, &event);
    QMenu* menu = Menu(w, "captionMenu");
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
        qWarning("the caption menu did not open");
    return menu;
}

QStringList texts(const QMenu* menu) {
    QStringList list;
    for (QAction* a : menu->actions())
        list << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return list;
}

} // namespace

class TstMainform : public GuiTest {
    Q_OBJECT
private slots:
    void initTestCase() { RegisterApplicationFonts(); }
    void cleanup() override;

    void windowIsFramelessCentredTahoma();
    void everyControlIsShownInsideTheClientArea();
    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void captionsHintsAndTags();
    void tabOrderFollowsTheLayout();
    void detailsRowsScrollIntoView();
    void countryListAndStartState();
    void contactListShowsTheDatabaseByName();
    void captionImagesFollowActivation();
    void closeImagePressedPictureAndClick();
    void rollUpByDoubleClick();
    void captionMenuHidesAndRestoresClientArea();
    void menusAndTheirItems();
    void reportButtonOpensTheReportGenerator();
};

void TstMainform::cleanup() {
    QVERIFY(seam_->messages.isEmpty());
    GuiTest::cleanup();
}

void TstMainform::windowIsFramelessCentredTahoma() {
    auto w = MakeMainWindow(*env_);
    QVERIFY(w->startedUp());
    QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w->size(), QSize(668, 356));
    QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(w->font().pixelSize(), 11);
    QCOMPARE(Child(*w, "contactsHeading")->font().pixelSize(), 11);
    QVERIFY(Child(*w, "contactsHeading")->font().bold());
    QVERIFY(!Child(*w, "nameLabel")->font().bold());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(w->geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w->geometry().center().y() - screen.center().y()) <= 1);
}

// Each control drawn on its own looks the same as its place in the window's picture: it is
// inside the client area and nothing covers it.
void TstMainform::everyControlIsShownInsideTheClientArea() {
    auto w = window();
    QVERIFY(w);
    QWidget* details = Child(*w, "detailsScrollArea");
    Child(*w, "contacts")->setFocus(); // no blinking text cursor in the pictures
    QApplication::processEvents();
    const QImage picture = w->grab().toImage();
    QCOMPARE(picture.size(), QSize(668, 356));
    const QRect client = w->rect();
    int checked = 0;
    for (QWidget* control : w->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(w.get()) || control->isWindow() ||
            control->objectName().isEmpty() ||
            control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect r = rectInWindow(control);
        if (control->objectName() == QLatin1String("bottomBarRule")) { // runs past both edges
            QVERIFY(r.left() < 0 && r.right() >= client.right());
            continue;
        }
        if (control != details && details->isAncestorOf(control))
            continue; // the details rows: checked by detailsRowsScrollIntoView
        QVERIFY2(client.contains(r), qPrintable(control->objectName()));
        if (control->parentWidget() != w.get() || control == details)
            continue;
        // Nothing lies above a control, except over the frames and rules drawn behind them.
        const bool frame = control->metaObject() == &QFrame::staticMetaObject;
        const QObjectList& siblings = w->children();
        for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size() && !frame; ++i) {
            auto* above = qobject_cast<QWidget*>(siblings[i]);
            if (!above || above->isWindow() || !above->isVisibleTo(w.get()))
                continue;
            QVERIFY2(!above->geometry().intersects(control->geometry()),
                     qPrintable(control->objectName() + " under " + above->objectName()));
        }
        // Images are see-through in parts: the background shows, which a picture of the
        // control alone does not have.
        auto* label = qobject_cast<QLabel*>(control);
        if (frame || (label && !label->pixmap().isNull()))
            continue;
        const QImage alone = control->grab().toImage().convertToFormat(picture.format());
        QVERIFY2(alone == picture.copy(r), qPrintable(control->objectName()));
        ++checked;
    }
    QVERIFY(checked >= 25);
}

void TstMainform::controlsAtTheirPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("caption") << "caption" << QRect(0, 0, 645, 23);
    QTest::newRow("close image") << "closeImage" << QRect(645, 0, 23, 23);
    QTest::newRow("left border") << "leftBorder" << QRect(0, 0, 2, 354);
    QTest::newRow("right border") << "rightBorder" << QRect(666, 0, 2, 354);
    QTest::newRow("bottom border") << "bottomBorder" << QRect(0, 354, 668, 2);
    QTest::newRow("F1 badge") << "f1Badge" << QRect(64, 32, 14, 15);
    QTest::newRow("Report") << "reportButton" << QRect(100, 28, 57, 20);
    QTest::newRow("contacts") << "contacts" << QRect(8, 48, 205, 230);
    QTest::newRow("rule beside the list") << "listRule" << QRect(220, 23, 1, 255);
    QTest::newRow("details frame") << "detailsFrame" << QRect(228, 39, 429, 234);
    QTest::newRow("name") << "nameEdit" << QRect(236, 72, 317, 21);
    QTest::newRow("Delete") << "deleteButton" << QRect(572, 100, 70, 23);
    QTest::newRow("F8 badge") << "f8Badge" << QRect(644, 108, 14, 15);
    QTest::newRow("details") << "detailsScrollArea" << QRect(236, 136, 409, 129);
    QTest::newRow("zip code") << "zipCodeEdit" << QRect(268, 196, 121, 21);
    QTest::newRow("country") << "countryBox" << QRect(0, 284, 390, 21);
    QTest::newRow("rule beside the links") << "linkBarRule" << QRect(364, 278, 1, 35);
    QTest::newRow("search box") << "searchEdit" << QRect(64, 284, 149, 21);
    QTest::newRow("match case") << "matchCaseBox" << QRect(222, 288, 75, 17);
    QTest::newRow("magnifier") << "searchButton" << QRect(320, 284, 20, 20);
    QTest::newRow("link bar") << "linkBar" << QRect(372, 276, 281, 29);
    QTest::newRow("envelope") << "sendMailImage" << QRect(13, 1, 24, 24);
    QTest::newRow("F10 badge") << "f10Badge" << QRect(88, 6, 21, 15);
    QTest::newRow("bottom bar rule") << "bottomBarRule" << QRect(-8, 312, 1000, 1);
    QTest::newRow("program icon") << "programIcon" << QRect(84, 317, 32, 32);
    QTest::newRow("backup") << "backupButton" << QRect(352, 324, 185, 23);
    QTest::newRow("exit") << "exitButton" << QRect(544, 324, 113, 23);
}

void TstMainform::controlsAtTheirPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto w = window();
    QVERIFY(w);
    QCOMPARE(Child(*w, qPrintable(name))->geometry(), geometry);
}

void TstMainform::captionsHintsAndTags() {
    auto w = MakeMainWindow(*env_);
    const Tmainform& form = *w;
    QCOMPARE(Child<QLabel>(form, "secondEmailLabel")->text(),
             QStringLiteral("Seccond E-Mail address: "));
    QCOMPARE(Child<QLabel>(form, "zipCodeLabel")->text(), QStringLiteral("Zip code: "));
    QCOMPARE(Child(form, "nameLabel")->pos(), QPoint(236, 56));
    QCOMPARE(Child<QCheckBox>(form, "matchCaseBox")->text(), QStringLiteral("Match &case"));
    QCOMPARE(Child<TQuenlarkSpeedBtn>(form, "sortButton")->Caption(), QStringLiteral("&Sort"));
    auto* exit = Child<TQuenlarkStdButton>(form, "exitButton");
    QCOMPARE(exit->Caption(), QStringLiteral("E&xit Address Book"));
    QCOMPARE(exit->Tag(), 1);
    auto* add = Child<TQuenlarkStdButton>(form, "addButton");
    QVERIFY(add->Default());
    QVERIFY(!Child<TQuenlarkStdButton>(form, "modifyButton")->Default());
    QCOMPARE(add->TransparentColour(), clLime);
    QCOMPARE(Child<TQuenlarkSpeedBtn>(form, "searchButton")->TransparentColour(), clFuchsia);
    QVERIFY(!Child<TQuenlarkSpeedBtn>(form, "reportButton")->Icon().isNull());
    QCOMPARE(Child<TQuenlarkWebLink>(form, "selectNothingLink")->Caption(),
             QStringLiteral("Select nothing"));
    QVERIFY(Child<TQuenlarkWebLink>(form, "sendMailLink")->Bold());
    QCOMPARE(Child<TQuenlarkWebLink>(form, "webSiteLink")->Caption(), QStringLiteral("Web Site"));
    QCOMPARE(Child(form, "matchCaseBox")->toolTip(),
             QStringLiteral("Click Here if you want your search to match your search string's "
                            "case option aswell (e.g. Pandora would be diffrent to pandora)"));
    QCOMPARE(Child(form, "secondMailImage")->toolTip(),
             QStringLiteral("Click Here to send an e-mail to the contact using their seccond "
                            "e-mail address"));
    QCOMPARE(Child(form, "programIcon")->toolTip(), QStringLiteral("Quenlark Address Book 2.4"));
    QCOMPARE(Child<QLineEdit>(form, "webSiteEdit")->maxLength(), 299);
    QCOMPARE(Child<QLineEdit>(form, "zipCodeEdit")->maxLength(), 99);
    QCOMPARE(Child<QLineEdit>(form, "cityEdit")->maxLength(), 254);

    // Tags of the edit boxes (the box Enter moves to) and of the key badges (their key).
    const QList<QPair<const char*, int>> tags = {
        {"nameEdit", 1}, {"emailEdit", 3}, {"cityEdit", 10}, {"phoneEdit", 6},
        {"f1Badge", 1},  {"f2Badge", 2},   {"f3Badge", 3},   {"f4Badge", 4},
        {"f5Badge", 5},  {"f6Badge", 6},   {"f9Badge", 9},   {"f10Badge", 10}};
    for (const auto& [name, tag] : tags)
        QVERIFY2(Child(form, name)->property("Tag").toInt() == tag, name);

    // The link panels are hidden and pack against the right edge when shown.
    QWidget* mail = Child(form, "sendMailPanel");
    QWidget* web = Child(form, "webSitePanel");
    QWidget* mail2 = Child(form, "secondMailPanel");
    QVERIFY(mail->isHidden() && web->isHidden() && mail2->isHidden());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    web->show();
    QTRY_COMPARE(web->geometry(), QRect(281 - 113, 0, 113, 29));
    mail->show();
    mail2->show();
    QTRY_COMPARE(mail->geometry(), QRect(10, 0, 117, 29));
    QCOMPARE(web->geometry(), QRect(127, 0, 113, 29));
    QCOMPARE(mail2->geometry(), QRect(240, 0, 41, 29));
}

void TstMainform::tabOrderFollowsTheLayout() {
    auto w = window();
    QVERIFY(w);
    QWidget* contacts = Child(*w, "contacts");
    QStringList order;
    QWidget* widget = contacts;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(w.get()) &&
            widget->isEnabled() && !widget->focusProxy())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != contacts);
    const QStringList expected = {
        "contacts",    "nameEdit",     "nicknameEdit", "emailEdit",    "secondEmailEdit",
        "webSiteEdit", "phoneEdit",    "mobileEdit",   "addressEdit",  "zipCodeEdit",
        "cityEdit",    "countryBox",   "addButton",    "modifyButton", "deleteButton",
        "searchEdit",  "matchCaseBox", "backupButton", "exitButton",   "selectNothingLink"};
    QCOMPARE(order, expected);
}

void TstMainform::detailsRowsScrollIntoView() {
    auto w = window();
    QVERIFY(w);
    auto* box = Child<QScrollArea>(*w, "detailsScrollArea");
    QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(box->verticalScrollBar()->isVisible());
    QCOMPARE(box->verticalScrollBar()->value(), 0);
    const QRect view = box->viewport()->rect();
    // The rows fit the box's width; the ones from "Address" down start below its view.
    for (QWidget* row : Child(*w, "detailsContents")
                            ->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect r(row->mapTo(box->viewport(), QPoint(0, 0)), row->size());
        QVERIFY2(r.left() >= 0 && r.right() <= view.right(), qPrintable(row->objectName()));
    }
    QWidget* address = Child(*w, "addressEdit");
    QVERIFY(!view.contains(QRect(address->mapTo(box->viewport(), QPoint(0, 0)), address->size())));
    // Moving the focus down the rows scrolls them into view.
    QWidget* country = Child(*w, "countryBox");
    country->setFocus();
    QTRY_VERIFY(box->verticalScrollBar()->value() > 0);
    QVERIFY(view.contains(QRect(country->mapTo(box->viewport(), QPoint(0, 0)), country->size())));
}

void TstMainform::countryListAndStartState() {
    auto w = MakeMainWindow(*env_);
    auto* country = Child<QComboBox>(*w, "countryBox");
    QCOMPARE(country->count(), int(kCountries.size()));
    QCOMPARE(country->count(), 235);
    QVERIFY(!country->isEditable());
    for (int i : {0, 1, 100, 234})
        QCOMPARE(country->itemText(i), CountryName(i));
    QCOMPARE(country->currentIndex(), 0);
    QCOMPARE(Child<QLabel>(*w, "programIcon")->pixmap().size(), QSize(32, 32));
    for (const char* image : {"sendMailImage", "webSiteImage", "secondMailImage"})
        QVERIFY2(!Child<QLabel>(*w, image)->pixmap().isNull(), image);
    // The link pictures' background is see-through.
    QCOMPARE(Child<QLabel>(*w, "sendMailImage")->pixmap().toImage().pixelColor(0, 0).alpha(), 0);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), Child(*w, "nameEdit"));
}

void TstMainform::contactListShowsTheDatabaseByName() {
    auto w = window({NamedContact("Ann"), NamedContact("Bob"), NamedContact("Cy")});
    QVERIFY(w);
    auto* list = Child<QListView>(*w, "contacts");
    QCOMPARE(ListedNames(*list), (QStringList{"Ann", "Bob", "Cy"}));
    QList<quint64> inIndex;
    for (const ContactIndexEntry& e : env_->engine().index())
        inIndex << e.serial;
    QCOMPARE(ListedContacts(*list), inIndex);
    QVERIFY(dynamic_cast<ContactItemDelegate*>(list->itemDelegate()));
    QVERIFY(list->uniformItemSizes());
    QCOMPARE(list->sizeHintForRow(0), 20);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TstMainform::captionImagesFollowActivation() {
    auto w = window();
    QVERIFY(w);
    QWidget* caption = Child(*w, "caption");
    const auto picture = [caption](Qt::ApplicationState state) {
        emit qApp->applicationStateChanged(state);
        return caption->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage inactive = picture(Qt::ApplicationInactive);
    const QImage active = picture(Qt::ApplicationActive);
    QCOMPARE(active.size(), QSize(645, 23));
    QVERIFY(active != inactive);
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
    QCOMPARE(picture(Qt::ApplicationInactive), inactive);
}

void TstMainform::closeImagePressedPictureAndClick() {
    auto w = window();
    QVERIFY(w);
    auto* close = Child<QLabel>(*w, "closeImage");
    const QImage up = LoadResourceBitmap("IDB_CLOSE_UP").toImage();
    const QImage down = LoadResourceBitmap("IDB_CLOSE_DOWN").toImage();
    QVERIFY(up != down);
    QCOMPARE(close->pixmap().toImage(), up);

    QTest::mousePress(close, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(close->pixmap().toImage(), up);
    QTest::mouseRelease(close, Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(w->isVisible());

    QTest::mousePress(close, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(close->pixmap().toImage(), down);
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(40, 40)); // let go elsewhere
    QCOMPARE(close->pixmap().toImage(), up);
    QVERIFY(w->isVisible());

    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!w->isVisible());
}

void TstMainform::rollUpByDoubleClick() {
    auto w = window();
    QVERIFY(w);
    QWidget* caption = Child(*w, "caption");
    QWidget* bottom = Child(*w, "bottomBorder");
    QTest::mouseDClick(caption, Qt::RightButton, {}, QPoint(100, 10));
    QCOMPARE(w->height(), 356);
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(100, 10));
    QCOMPARE(w->height(), 23);
    QVERIFY(bottom->isHidden());
    QVERIFY(Child(*w, "closeImage")->isVisible());
    QCOMPARE(Child(*w, "leftBorder")->height(), 23);
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(100, 10));
    QCOMPARE(w->height(), 356);
    QVERIFY(!bottom->isHidden());
    QCOMPARE(bottom->geometry(), QRect(0, 354, 668, 2));
}

void TstMainform::captionMenuHidesAndRestoresClientArea() {
    auto w = window();
    QVERIFY(w);
    QAction* hideRestore = Action(*w, "hideRestoreItem");
    QWidget* bottom = Child(*w, "bottomBorder");
    QMenu* menu = openCaptionMenu(*w);
    QCOMPARE(hideRestore->text(), QStringLiteral("&Hide window"));
    hideRestore->trigger();
    menu->hide();
    QCOMPARE(w->height(), 23);
    QVERIFY(!bottom->isHidden()); // the menu leaves the border alone
    openCaptionMenu(*w);
    QCOMPARE(hideRestore->text(), QStringLiteral("&Restore"));
    hideRestore->trigger();
    menu->hide();
    QCOMPARE(w->height(), 356);

    // Rolled up by double click, restored by the menu: the border stays hidden.
    QTest::mouseDClick(Child(*w, "caption"), Qt::LeftButton, {}, QPoint(100, 10));
    openCaptionMenu(*w);
    QCOMPARE(hideRestore->text(), QStringLiteral("&Restore"));
    hideRestore->trigger();
    menu->hide();
    QCOMPARE(w->height(), 356);
    QVERIFY(bottom->isHidden());

    openCaptionMenu(*w);
    Action(*w, "closeItem")->trigger();
    QVERIFY(!w->isVisible());
}

void TstMainform::menusAndTheirItems() {
    auto w = MakeMainWindow(*env_);
    QMenu* info = Menu(*w, "infoMenu");
    QMenu* files = Menu(*w, "viewFileMenu");
    QMenu* backup = Menu(*w, "backupMenu");
    QMenu* list = Menu(*w, "contactListMenu");
    QMenu* sort = Menu(*w, "sortMenu");
    QMenu* caption = Menu(*w, "captionMenu");
    QCOMPARE(texts(info), (QStringList{"&About Quenlark Address Book 2.4", "&Quenlark Home Page",
                                       "-", "&Program options", "-", "&View file"}));
    QCOMPARE(texts(files), (QStringList{"info.txt", "license.txt", "whats new.txt"}));
    // The backup items as they always were, then contacts in and out, then the sync, each
    // with a letter of its own.
    QCOMPARE(texts(backup),
             (QStringList{"&Save backup file", "&Recover using a backup file", "-",
                          "&Import contacts...", "&Export contacts...", "-", "S&ynchronise..."}));
    QCOMPARE(texts(list), (QStringList{"&Add contact fast", "-", "&Delete contact"}));
    // Captions without an accelerator get one; the file names keep theirs as written.
    QCOMPARE(texts(sort), (QStringList{"&Ascending", "&Descending "}));
    QCOMPARE(MenuItemTag(Action(*w, "ascendingItem")), 1);
    QCOMPARE(MenuItemTag(Action(*w, "descendingItem")), 2);
    QVERIFY(IsMenuCentred(info) && IsMenuCentred(backup) && IsMenuCentred(sort));
    QVERIFY(!IsMenuCentred(caption) && !IsMenuCentred(list));
    QVERIFY(!HasAutoHotkeys(info) && !HasAutoHotkeys(files));
    QVERIFY(dynamic_cast<QuenlarkMenuStyle*>(sort->style()));
    QCOMPARE(texts(caption), (QStringList{"<>", "-", "&Close"}));
    QCOMPARE(Child<TQuenlarkSpeedBtn>(*w, "sortButton")->DropDown(), sort);
    QCOMPARE(Child<TQuenlarkSpeedBtn>(*w, "infoButton")->DropDown(), info);
    QCOMPARE(Child<TQuenlarkStdButton>(*w, "backupButton")->DropDown(), backup);

    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QPoint at(20, 20);
    QWidget* view = Child<QListView>(*w, "contacts")->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
    QApplication::sendEvent(view, &event);
    QTRY_VERIFY(list->isVisible());
    list->hide();
}

void TstMainform::reportButtonOpensTheReportGenerator() {
    auto w = window();
    QVERIFY(w);
    QWidget* owner = nullptr;
    const ModalRun run =
        RunModal<Treportgen>([&] { QTest::mouseClick(Child(*w, "reportButton"), Qt::LeftButton); },
                             [&](Treportgen& dialog) {
                                 owner = dialog.parentWidget();
                                 dialog.reject();
                             });
    QVERIFY(run.driven);
    QVERIFY(run.destroyed);
    QCOMPARE(owner, w.get());
}

QTEST_MAIN(TstMainform)
#include "tst_mainform.moc"
