// The flat speed button: its looks without focus or default frame, the search button's icon,
// the drop-down, and a small form that shows Tab and Enter passing it by.
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QtTest>
#include <memory>

using namespace quenlark;

namespace {

const QColor kFace(212, 208, 200);
const QColor kLightFace(222, 218, 210);
const QColor kShadow(128, 128, 128);
const QColor kHighlight(10, 36, 106);
const QColor kBackground(90, 91, 92);

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

void Enter(QWidget* widget) {
    QEnterEvent event(QPointF(3, 3), QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)));
    QApplication::sendEvent(widget, &event);
}

// A small form as the program's forms use the controls: a search box with its icon-only
// search button, a Sort button with a menu, and Cancel and OK, which share one slot and
// tell themselves apart by their tags.
class TDemoForm : public QWidget {
public:
    TDemoForm() {
        resize(300, 120);
        e_searchfor = new QLineEdit(this);
        e_searchfor->setGeometry(8, 8, 200, 21);
        go_search_btn = new TQuenlarkSpeedBtn(this);
        go_search_btn->move(212, 8);
        QPixmap glass(16, 16);
        glass.fill(QColor(255, 0, 255));
        QPainter(&glass).fillRect(4, 4, 8, 8, QColor(0, 0, 128));
        go_search_btn->SetTransparentColour(clFuchsia);
        go_search_btn->SetIcon(glass);
        connect(go_search_btn, &TQuenlarkSpeedBtn::clicked, this, &TDemoForm::search);
        sortpopup = new QMenu(this);
        sortpopup->addAction(QStringLiteral("Ascending"));
        sortpopup->addAction(QStringLiteral("Descending "));
        sortBtn = new TQuenlarkSpeedBtn(this);
        sortBtn->setGeometry(8, 40, 53, 20);
        sortBtn->SetCaption(QStringLiteral("&Sort"));
        sortBtn->SetBorder(true);
        sortBtn->SetDropDown(sortpopup);
        btnCancel = new TQuenlarkStdButton(this);
        btnCancel->move(130, 80);
        btnCancel->SetCaption(QStringLiteral("&Cancel"));
        btnCancel->SetTag(2);
        btnOk = new TQuenlarkStdButton(this);
        btnOk->move(210, 80);
        btnOk->SetCaption(QStringLiteral("&OK"));
        btnOk->SetDefault(true);
        btnOk->SetTag(1);
        for (TQuenlarkStdButton* b : {btnCancel, btnOk})
            connect(b, &TQuenlarkStdButton::clicked, this, [this, b] { buttonClicked(b); });
        setTabOrder(e_searchfor, btnCancel);
        setTabOrder(btnCancel, btnOk);
    }

    void search() { searches.append(e_searchfor->text()); }
    void buttonClicked(const TQuenlarkStdButton* button) { tags.append(button->Tag()); }

    QLineEdit* e_searchfor;
    TQuenlarkSpeedBtn* go_search_btn;
    TQuenlarkSpeedBtn* sortBtn;
    QMenu* sortpopup;
    TQuenlarkStdButton* btnCancel;
    TQuenlarkStdButton* btnOk;
    QStringList searches;
    QList<int> tags;
};

} // namespace

class TstSpeedBtn : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsAsTheLayoutsExpect();
    void looks_data();
    void looks();
    void searchButtonDrawsOnlyItsIcon();
    void clickNeverTakesFocusAndOtherButtonsChangeNothing();
    void sortDropsDownThenShowsNormalLook();
    void tabAndEnterPassSpeedButtonsBy();

private:
    std::unique_ptr<TDemoForm> form;
};

void TstSpeedBtn::initTestCase() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, kFace);
    palette.setColor(QPalette::Dark, kShadow);
    palette.setColor(QPalette::Highlight, kHighlight);
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    palette.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    palette.setColor(QPalette::Window, kBackground);
    QApplication::setPalette(palette);
}

void TstSpeedBtn::init() {
    QCursor::setPos(QPoint(790, 590));
    form = std::make_unique<TDemoForm>();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->e_searchfor->setFocus();
}

void TstSpeedBtn::cleanup() {
    form.reset();
}

void TstSpeedBtn::startsAsTheLayoutsExpect() {
    TQuenlarkSpeedBtn b;
    QCOMPARE(b.size(), QSize(20, 20));
    QVERIFY(!b.Border());
    QCOMPARE(b.CaptionAlign(), qsbCenter);
    QVERIFY(b.Caption().isEmpty());
    QCOMPARE(b.TransparentColour(), clLime);
    QVERIFY(b.DropDown() == nullptr);
    QCOMPARE(b.focusPolicy(), Qt::NoFocus);
    QVERIFY(b.setProperty("TransparentColour", 16711935)); // as a layout writes it
    QCOMPARE(b.TransparentColour(), clFuchsia);
}

void TstSpeedBtn::looks_data() {
    QTest::addColumn<bool>("border");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("normal, no border") << false << "normal" << kFace << kLightFace;
    QTest::newRow("normal, border") << true << "normal" << kShadow << kLightFace;
    QTest::newRow("hover, border") << true << "hover" << kShadow << kFace;
    QTest::newRow("hover, no border") << false << "hover" << kShadow << kLightFace;
    QTest::newRow("pressed") << true << "pressed" << kShadow << kHighlight;
}

void TstSpeedBtn::looks() {
    QFETCH(bool, border);
    QFETCH(QString, state);
    QFETCH(QColor, frame);
    QFETCH(QColor, fill);
    TQuenlarkSpeedBtn* b = form->sortBtn;
    b->SetDropDown(nullptr);
    b->SetCaption(QString());
    b->SetBorder(border);
    if (state == QLatin1String("hover"))
        Enter(b);
    if (state == QLatin1String("pressed"))
        QTest::mousePress(b, Qt::LeftButton);
    const QImage image = b->grab().toImage();
    if (state == QLatin1String("pressed"))
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-5, -5));
    const int W = image.width(), H = image.height();
    for (const QPoint p : {QPoint(0, 0), QPoint(W - 2, H - 2), QPoint(W / 2, 0), QPoint(0, H / 2)})
        QCOMPARE(At(image, p.x(), p.y()), frame);
    // One-pixel frame and no focus rectangle.
    QCOMPARE(At(image, 1, 1), fill);
    QCOMPARE(At(image, 2, 1), fill);
    QCOMPARE(At(image, W / 2, H / 2), fill);
    QCOMPARE(At(image, W - 1, H / 2), kBackground);
}

void TstSpeedBtn::searchButtonDrawsOnlyItsIcon() {
    TQuenlarkSpeedBtn* b = form->go_search_btn;
    const QImage image = b->grab().toImage();
    QCOMPARE(At(image, 2, 2), kLightFace); // fuchsia corner left undrawn
    QCOMPARE(At(image, 6, 6), QColor(0, 0, 128));
    QCOMPARE(At(image, 13, 13), QColor(0, 0, 128));
    QCOMPARE(At(image, 14, 14), kLightFace);
    // The caption's rectangle (20, 4, 17, 17) is empty: a caption shows nowhere.
    b->SetCaption(QStringLiteral("WWWW"));
    QCOMPARE(b->grab().toImage(), image);
}

void TstSpeedBtn::clickNeverTakesFocusAndOtherButtonsChangeNothing() {
    TQuenlarkSpeedBtn* b = form->go_search_btn;
    form->e_searchfor->setText(QStringLiteral("smith"));
    const QImage before = b->grab().toImage();
    QTest::mouseClick(b, Qt::RightButton);
    QTest::mouseClick(b, Qt::MiddleButton);
    QCOMPARE(b->grab().toImage(), before);
    QVERIFY(form->searches.isEmpty());

    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(At(b->grab().toImage(), 2, 2), kHighlight);
    QTest::mouseRelease(b, Qt::LeftButton);
    QCOMPARE(form->searches, QStringList{QStringLiteral("smith")});
    QVERIFY(form->e_searchfor->hasFocus());
    QCOMPARE(b->grab().toImage(), before);
}

void TstSpeedBtn::sortDropsDownThenShowsNormalLook() {
    TQuenlarkSpeedBtn* b = form->sortBtn;
    const QPoint pointer = form->mapToGlobal(QPoint(150, 50));
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
    Enter(b);
    QCOMPARE(At(b->grab().toImage(), 3, 15), kFace); // hover with border
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(popup, form->sortpopup);
    QCOMPARE(shownAt.top(), pointer.y());
    QVERIFY(qAbs(shownAt.center().x() - pointer.x()) <= 1);
    const QImage image = b->grab().toImage();
    QCOMPARE(At(image, 3, 15), kLightFace);
    QCOMPARE(At(image, 0, 0), kShadow);
    // The mark sits right of the caption's rectangle.
    QCOMPARE(At(image, b->width() - 7, 10), QColor(0, 0, 0));
    QCOMPARE(At(image, b->width() - 4, 13), QColor(0, 0, 0));
    QCOMPARE(form->focusWidget(), form->e_searchfor);
}

void TstSpeedBtn::tabAndEnterPassSpeedButtonsBy() {
    QTest::keyClick(form->e_searchfor, Qt::Key_Return);
    QVERIFY(form->tags.isEmpty());
    QVERIFY(form->searches.isEmpty());
    QList<QWidget*> visited;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget());
    }
    QCOMPARE(visited, (QList<QWidget*>{form->btnCancel, form->btnOk, form->e_searchfor}));
    form->btnOk->setFocus();
    QTest::keyClick(form->btnOk, Qt::Key_Return);
    QTest::mouseClick(form->btnCancel, Qt::LeftButton);
    QCOMPARE(form->tags, (QList<int>{1, 2}));
    QVERIFY(form->searches.isEmpty());
}

QTEST_MAIN(TstSpeedBtn)
#include "tst_speedbtn.moc"
