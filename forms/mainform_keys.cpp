// The main window's keyboard: the function-key shortcuts and Ctrl+Q, the key manager's
// Alt keys, the Enter chain through the edit panel and the key badges.
#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "forms/mainform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>

namespace quenlark {

namespace {

constexpr QRgb kBadgeFill = 0x36618B;
constexpr QRgb kBadgeFrame = 0x9F9F00;

bool isEnter(const QEvent* event) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Sends the main window's keys to their handlers: Enter in the edit boxes and the country
// list, and the painting of the key badges.
class KeyboardFilter : public QObject {
public:
    explicit KeyboardFilter(Tmainform* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->property("Tag").isValid() &&
            form_->isKeyBadge(watched)) {
            form_->flink_draw(watched);
            return true;
        }
        if (event->type() == QEvent::KeyPress && isEnter(event)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
                return false;
            if (watched == form_->ui()->e_country)
                return form_->end_box_keydown(watched);
            if (qobject_cast<QLineEdit*>(watched))
                return form_->control_key_down(watched);
        }
        return false;
    }

private:
    Tmainform* form_;
};

} // namespace

void Tmainform::BindKeyboard() {
    struct Shortcut {
        QKeySequence keys;
        void (Tmainform::*handler)(QObject*);
    };
    const Shortcut shortcuts[] = {
        {Qt::Key_F1, &Tmainform::sk_1Execute},
        {Qt::Key_F2, &Tmainform::go_search_btnClick},
        {Qt::Key_F3, &Tmainform::sk_3Execute},
        {Qt::Key_F4, &Tmainform::sk_4Execute},
        {Qt::Key_F5, &Tmainform::sk_5Execute},
        {Qt::Key_F6, &Tmainform::sk_6Execute},
        {Qt::Key_F7, &Tmainform::sk_7Execute},
        {Qt::Key_F8, &Tmainform::sk_8Execute},
        {Qt::Key_F9, &Tmainform::sk_9Execute},
        {Qt::Key_F10, &Tmainform::sk_10Execute},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &Tmainform::close_linkExecute},
    };
    for (const Shortcut& s : shortcuts) {
        auto* action = new QAction(this);
        action->setShortcut(s.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, action, handler = s.handler] { (this->*handler)(action); });
        addAction(action);
        shortcut_keys.append(action);
    }

    QuenlarkKeyManager1->Alt_B = [this](QObject* s) { QuenlarkKeyManager1Alt_B(s); };
    QuenlarkKeyManager1->Alt_C = [this](QObject* s) { sk_4Execute(s); };
    QuenlarkKeyManager1->Alt_S = [this](QObject* s) { QuenlarkKeyManager1Alt_S(s); };

    auto* filter = new KeyboardFilter(this);
    for (QWidget* box : EnterChain)
        box->installEventFilter(filter);
    for (QWidget* badge : keyBadges())
        badge->installEventFilter(filter);
}

std::array<QWidget*, 10> Tmainform::keyBadges() const {
    return {ui_->f1_link,   ui_->PaintBox9, ui_->PaintBox7, ui_->PaintBox8, ui_->PaintBox1,
            ui_->PaintBox2, ui_->PaintBox3, ui_->PaintBox4, ui_->PaintBox5, ui_->PaintBox6};
}

bool Tmainform::isKeyBadge(const QObject* object) const {
    for (const QWidget* badge : keyBadges())
        if (badge == object)
            return true;
    return false;
}

void Tmainform::sk_1Execute(QObject*) {
    ui_->contacts->setFocus(Qt::ShortcutFocusReason);
}

void Tmainform::sk_3Execute(QObject*) {
    ui_->e_searchfor->setFocus(Qt::ShortcutFocusReason);
}

void Tmainform::sk_4Execute(QObject*) {
    ui_->match_case->setChecked(!ui_->match_case->isChecked());
}

void Tmainform::sk_5Execute(QObject*) {
    ui_->e_name->setFocus(Qt::ShortcutFocusReason);
}

void Tmainform::sk_6Execute(QObject*) {
    ui_->btnAdd->Click();
}

void Tmainform::sk_7Execute(QObject*) {
    ui_->btnModify->Click();
}

void Tmainform::sk_8Execute(QObject*) {
    ui_->btnDelete->Click();
}

void Tmainform::sk_9Execute(QObject* Sender) {
    lb_sendmailClick(Sender);
}

void Tmainform::sk_10Execute(QObject* Sender) {
    lb_websiteClick(Sender);
}

void Tmainform::close_linkExecute(QObject*) {
    close();
}

void Tmainform::QuenlarkKeyManager1Alt_B(QObject*) {
    ui_->QuenlarkStdButton1->Click();
}

void Tmainform::QuenlarkKeyManager1Alt_S(QObject*) {
    ui_->QuenlarkSpeedBtn1->Click();
}

void Tmainform::flink_draw(QObject* Sender) {
    auto* box = qobject_cast<QWidget*>(Sender);
    if (!box)
        return;
    QPainter canvas(box);
    canvas.setBrush(QColor::fromRgb(kBadgeFill));
    canvas.setPen(QPen(QColor::fromRgb(kBadgeFrame), 1));
    canvas.drawRect(0, 0, box->width() - 1, box->height() - 1);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(9); // 7 point
    canvas.setFont(font);
    canvas.setPen(Qt::white);
    canvas.drawText(QRect(2, 1, box->width() - 2, box->height() - 1),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    QStringLiteral("F%1").arg(Sender->property("Tag").toInt()));
}

bool Tmainform::control_key_down(QObject* Sender) {
    const int tag = Sender->property("Tag").toInt();
    if (tag < 0 || tag >= int(EnterChain.size()))
        return false;
    EnterChain[std::size_t(tag)]->setFocus(Qt::TabFocusReason);
    return true;
}

bool Tmainform::end_box_keydown(QObject*) {
    btnAddClick(nullptr);
    return true;
}

} // namespace quenlark
