// TQuenlarkKeyManager: a form's keyboard accelerators. Enter triggers defaultKey(), Escape
// cancelKey() and Alt with a letter that letter's altKey() action. The manager previews
// every key press in its form before the focused widget; the key then goes on to that
// widget, except for an Alt key the manager used, which ends there.
//
// A form binds it once it is built:
//     auto* keys = new TQuenlarkKeyManager(this);
//     connect(keys->defaultKey(), &QAction::triggered, this, &Tform::okClick);
//     connect(keys->altKey('C'), &QAction::triggered, this, &Tform::cancelClick);
#pragma once

#include <QFlags>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QKeyEvent;

namespace quenlark {

// Modifier keys and mouse buttons held while a key or mouse event happened.
enum class TShiftFlag : unsigned {
    Shift = 0x01,
    Alt = 0x02,
    Ctrl = 0x04,
    Left = 0x08,
    Right = 0x10,
    Middle = 0x20,
    Double = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// Virtual key codes of the keys the forms look at.
inline constexpr quint16 kVkReturn = 13;
inline constexpr quint16 kVkEscape = 27;

// A form's key-down handler: the sender, the virtual key code (which the handler may change
// for the handlers after it) and the shift state.
using TKeyEvent = std::function<void(QObject* sender, quint16& key, TShiftState shift)>;

// The virtual key code of a Qt key: 'A' ... 'Z' for letters whatever the case, '0' ... '9'
// for digits (and their shifted symbols on a US keyboard), 13 for Return and Enter,
// 27 for Escape, 112 ... for F1 ..., the numeric pad's codes when the keypad modifier
// is set. 0 for a key that has none.
quint16 VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The virtual key code of a key press. A letter of a script other than Latin (a Cyrillic or
// Greek layout) gives the code of the US layout's letter or digit on the same key, found
// by its scan code: accelerators follow the key's place, whatever the layout.
quint16 VirtualKeyFromEvent(const QKeyEvent& event);
// The letter or digit ('A' ... 'Z', '0' ... '9') that the US layout has on the key with this
// X key code (the kernel's key code plus 8); 0 for any other key.
quint16 UsLayoutKeyAt(quint32 scanCode);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers,
                             Qt::MouseButtons buttons = QGuiApplication::mouseButtons());

// The key-down handler of a form. Once one is set, the form previews its keys: the
// handler gets every key press in the form (with the form as sender) before the focused
// widget does, and the key then goes on to the widget. Setting an empty handler stops it.
TKeyEvent FormKeyDown(QWidget* form);
void SetFormKeyDown(QWidget* form, TKeyEvent handler);

class TQuenlarkKeyManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    // Takes over the form's key-down handler, keeping the one it had to call first.
    explicit TQuenlarkKeyManager(QWidget* ownerForm);
    // Gives the form back the handler it had before, if the manager's is still in place.
    ~TQuenlarkKeyManager() override;

    // Enter, with any modifiers.
    QAction* defaultKey();
    // Escape, with any modifiers.
    QAction* cancelKey();
    // Alt with the letter ('A' ... 'Z', either case), with or without other modifiers.
    QAction* altKey(char letter);
    // Each action is made when it is first asked for; a key whose action does not exist
    // or is disabled is left alone.

    // The form's key-down handler: the previous handler first, then the Alt letters, then
    // Enter and Escape. Stops as soon as a handler has called CancelCurrent.
    void COnKeyDown(QObject* sender, quint16& key, TShiftState shift);
    // Triggers the action of Alt plus the letter for 'A' (65) ... 'Z' (90); other codes do
    // nothing.
    void ProcessAltKey(quint16 key);
    // Stops the manager's handling of the key being processed.
    void CancelCurrent() { cancelled_ = true; }

    QWidget* OwnerForm() const { return ownerForm_; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

private:
    QAction* action(QAction*& slot, const QString& name);
    // Triggers the action when it exists and is enabled, and tells the form's key preview
    // that the key was used.
    void trigger(QAction* action);

    QPointer<QWidget> ownerForm_;
    TKeyEvent previousKeyDown_;
    bool cancelled_ = false;
    int tag_ = 0;
    QPointer<QObject> preview_; // the form's key preview, which calls COnKeyDown
    QAction* defaultKey_ = nullptr;
    QAction* cancelKey_ = nullptr;
    std::array<QAction*, 26> altKeys_{};
};

} // namespace quenlark
