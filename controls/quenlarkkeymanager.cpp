#include "controls/quenlarkkeymanager.h"

#include "controls/widgettreefilter.h"

#include <QAction>
#include <QKeyEvent>
#include <string>

namespace quenlark {

quint16 VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return quint16(qtKey); // 'A' ... 'Z'
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return quint16(keypad ? 96 + (qtKey - Qt::Key_0) : qtKey); // numeric pad or '0' ... '9'
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return quint16(112 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVkReturn;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return kVkEscape;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Help:
        return 47;
    case Qt::Key_Meta:
        return 91;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    // The digit row's shifted symbols on a US keyboard.
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return keypad ? 106 : '8';
    case Qt::Key_ParenLeft:
        return '9';
    // Punctuation keys, plain and shifted, and the numeric pad's operators.
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Period:
        return keypad ? 110 : 190;
    case Qt::Key_Slash:
        return keypad ? 111 : 191;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 186;
    case Qt::Key_Equal:
        return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Question:
        return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    default:
        return 0;
    }
}

quint16 UsLayoutKeyAt(quint32 scanCode) {
    // The four rows of the main block from the digits down, by X key code.
    struct Row {
        quint32 first;
        const char* keys;
    };
    static constexpr Row kRows[] = {
        {10, "1234567890"}, {24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}};
    for (const Row& row : kRows) {
        const quint32 length = quint32(std::char_traits<char>::length(row.keys));
        if (scanCode >= row.first && scanCode < row.first + length)
            return quint16(row.keys[scanCode - row.first]);
    }
    return 0;
}

quint16 VirtualKeyFromEvent(const QKeyEvent& event) {
    if (const quint16 key = VirtualKeyFromQt(event.key(), event.modifiers()))
        return key;
    // Qt names a letter key by the letter it types, in capitals.
    const int code = event.key();
    const QChar letter = code > 0 && code <= 0xFFFF
                             ? QChar(code)
                             : (event.text().isEmpty() ? QChar() : event.text().front());
    if (!letter.isLetter() || letter.script() == QChar::Script_Latin)
        return 0;
    return UsLayoutKeyAt(event.nativeScanCode());
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state;
    state.setFlag(TShiftFlag::Shift, modifiers.testFlag(Qt::ShiftModifier));
    state.setFlag(TShiftFlag::Alt, modifiers.testFlag(Qt::AltModifier));
    state.setFlag(TShiftFlag::Ctrl, modifiers.testFlag(Qt::ControlModifier));
    state.setFlag(TShiftFlag::Left, buttons.testFlag(Qt::LeftButton));
    state.setFlag(TShiftFlag::Right, buttons.testFlag(Qt::RightButton));
    state.setFlag(TShiftFlag::Middle, buttons.testFlag(Qt::MiddleButton));
    return state;
}

// The key preview of one form: an event filter on the form and on every widget inside it
// that hands each key press meant for them to the form's key-down handler before the
// widget gets it.
//
// Qt offers a key press to the shortcut system (as a ShortcutOverride event to the focused
// widget) before it delivers it. The handler runs at that first sight, so that it comes
// before Qt's shortcuts and "&" mnemonics as well as before the widget. When it used the
// key (a manager triggered an action for it), it acts once: Qt's shortcuts are kept out,
// an Alt key ends there (so that Alt+A does not also type an "a"), and a key the widget
// leaves does not go on to the form's own key handling (a dialog's Escape, which would
// reject it, or its default button).
class FormKeyPreview final : public WidgetTreeFilter {
    Q_OBJECT

public:
    static FormKeyPreview* find(const QWidget* form) {
        return form ? form->findChild<FormKeyPreview*>(QString(), Qt::FindDirectChildrenOnly)
                    : nullptr;
    }
    static FormKeyPreview* ensure(QWidget* form) {
        FormKeyPreview* preview = find(form);
        return preview ? preview : new FormKeyPreview(form);
    }

    TKeyEvent keyDown;
    // The manager whose COnKeyDown keyDown calls, while it does.
    const QObject* installer = nullptr;

    // The handler used the key now being previewed.
    void noteAction() { acted_ = true; }

protected:
    bool filterEvent(QWidget* receiver, QEvent* event) override;

private:
    explicit FormKeyPreview(QWidget* form) : WidgetTreeFilter(form), form_(form) {}

    // Where Qt hands a key event on when the receiver leaves it.
    static const QObject* nextReceiver(const QWidget* receiver) {
        return receiver->isWindow() ? nullptr : receiver->parentWidget();
    }
    // Runs the form's key-down handler. True when it used the key.
    bool preview(const QKeyEvent* event);

    enum class Stage { None, Override, Press };
    // The key press being dispatched. The event pointer is only compared, never followed.
    struct Current {
        Stage stage = Stage::None;
        const QEvent* event = nullptr;
        const QObject* nextReceiver = nullptr;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        bool acted = false;
    };

    QWidget* form_;
    Current current_;
    bool acted_ = false;
};

bool FormKeyPreview::preview(const QKeyEvent* event) {
    quint16 key = VirtualKeyFromEvent(*event);
    if (key == 0 || !keyDown)
        return false;
    acted_ = false;
    const QPointer<FormKeyPreview> self(this);
    const TKeyEvent handler = keyDown; // the handler may replace the form's handler
    handler(form_, key, ShiftStateFromQt(event->modifiers()));
    if (!self)
        return false;
    current_.acted = acted_;
    return acted_;
}

bool FormKeyPreview::filterEvent(QWidget* receiver, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);

    if (type == QEvent::KeyRelease) {
        current_ = Current();
        return false;
    }

    const bool sameKey =
        current_.key == keyEvent->key() && current_.modifiers == keyEvent->modifiers();
    const bool handedOn = sameKey && current_.event == event && current_.nextReceiver == receiver;
    const bool shortcutStage = type == QEvent::ShortcutOverride;
    if (handedOn && current_.stage == (shortcutStage ? Stage::Override : Stage::Press)) {
        // The same event on its way up to the receiver's parents: already previewed.
        if (!shortcutStage && receiver == form_ && current_.acted) {
            // The focused widget left a key the form's handler used. The form's own
            // handling of it (a dialog's Escape and default button) would act a second time.
            event->accept();
            return true;
        }
        current_.nextReceiver = nextReceiver(receiver);
        return false;
    }

    const QPointer<FormKeyPreview> self(this);
    const QPointer<QWidget> target(receiver);
    if (!shortcutStage && current_.stage == Stage::Override && sameKey) {
        // The press that follows the shortcut check previewed above.
        current_.stage = Stage::Press;
        current_.event = event;
        current_.nextReceiver = nextReceiver(receiver);
    } else {
        current_ = Current{shortcutStage ? Stage::Override : Stage::Press,
                           event,
                           nextReceiver(receiver),
                           keyEvent->key(),
                           keyEvent->modifiers(),
                           false};
        preview(keyEvent);
        if (!self || !target) {
            // The handler destroyed the form or the widget: nothing is left to deliver to.
            event->accept();
            return true;
        }
    }
    if (!current_.acted)
        return false;

    if (shortcutStage) {
        event->accept();
        return true;
    }
    // An Alt letter the form used has done its work: the widget would only type it.
    const Qt::KeyboardModifiers mods = keyEvent->modifiers();
    if (mods.testFlag(Qt::AltModifier) && !mods.testFlag(Qt::ControlModifier)) {
        event->accept();
        return true;
    }
    return false;
}

TKeyEvent FormKeyDown(QWidget* form) {
    const FormKeyPreview* preview = FormKeyPreview::find(form);
    return preview ? preview->keyDown : TKeyEvent();
}

void SetFormKeyDown(QWidget* form, TKeyEvent handler) {
    if (!form)
        return;
    FormKeyPreview* preview = FormKeyPreview::ensure(form);
    preview->keyDown = std::move(handler);
    preview->installer = nullptr;
}

TQuenlarkKeyManager::TQuenlarkKeyManager(QWidget* ownerForm)
    : QObject(ownerForm), ownerForm_(ownerForm) {
    if (!ownerForm)
        return;
    previousKeyDown_ = FormKeyDown(ownerForm);
    FormKeyPreview* preview = FormKeyPreview::ensure(ownerForm);
    const QPointer<TQuenlarkKeyManager> self(this);
    preview->keyDown = [self](QObject* sender, quint16& key, TShiftState shift) {
        if (self)
            self->COnKeyDown(sender, key, shift);
    };
    preview->installer = this;
    preview_ = preview;
}

TQuenlarkKeyManager::~TQuenlarkKeyManager() {
    auto* preview = static_cast<FormKeyPreview*>(preview_.data());
    if (preview && preview->installer == this) {
        preview->keyDown = previousKeyDown_;
        preview->installer = nullptr;
    }
}

QAction* TQuenlarkKeyManager::action(QAction*& slot, const QString& name) {
    if (!slot) {
        slot = new QAction(name, this);
        slot->setObjectName(name);
    }
    return slot;
}

QAction* TQuenlarkKeyManager::defaultKey() {
    return action(defaultKey_, QStringLiteral("Enter"));
}

QAction* TQuenlarkKeyManager::cancelKey() {
    return action(cancelKey_, QStringLiteral("Escape"));
}

QAction* TQuenlarkKeyManager::altKey(char letter) {
    if (letter >= 'a' && letter <= 'z')
        letter = char(letter - 'a' + 'A');
    Q_ASSERT(letter >= 'A' && letter <= 'Z');
    if (letter < 'A' || letter > 'Z')
        return nullptr;
    return action(altKeys_[std::size_t(letter - 'A')],
                  QStringLiteral("Alt+") + QLatin1Char(letter));
}

void TQuenlarkKeyManager::trigger(QAction* action) {
    if (!action || !action->isEnabled())
        return;
    if (auto* preview = static_cast<FormKeyPreview*>(preview_.data()))
        preview->noteAction();
    action->trigger();
}

void TQuenlarkKeyManager::COnKeyDown(QObject* sender, quint16& key, TShiftState shift) {
    const QPointer<TQuenlarkKeyManager> self(this);
    cancelled_ = false;
    if (previousKeyDown_)
        previousKeyDown_(sender, key, shift);
    if (!self || cancelled_)
        return;
    if (shift.testFlag(TShiftFlag::Alt))
        ProcessAltKey(key);
    if (!self || cancelled_)
        return;
    if (key == kVkReturn)
        trigger(defaultKey_);
    else if (key == kVkEscape)
        trigger(cancelKey_);
}

void TQuenlarkKeyManager::ProcessAltKey(quint16 key) {
    if (key >= 'A' && key <= 'Z')
        trigger(altKeys_[std::size_t(key - 'A')]);
}

} // namespace quenlark

#include "quenlarkkeymanager.moc"
