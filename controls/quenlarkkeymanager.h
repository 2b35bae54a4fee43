// TQuenlarkKeyManager: a form's keyboard accelerators. Enter raises OnDefault, Escape
// OnCancel and Alt with a letter one of Alt_A ... Alt_Z. The manager previews every key
// press in its form before the focused widget; the key then goes on to that widget.
//
// A form binds it once it is built:
//     auto* keys = new TQuenlarkKeyManager(this);
//     keys->OnDefault = [this](QObject* sender) { okClick(sender); };
//     keys->Alt_C = [this](QObject* sender) { cancelClick(sender); };
#pragma once

#include <QFlags>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

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

// A key-down handler: the sender, the virtual key code (which the handler may change for
// the handlers after it) and the shift state.
using TKeyEvent = std::function<void(QObject* sender, quint16& key, TShiftState shift)>;

// The virtual key code of a Qt key: 'A' ... 'Z' for letters whatever the case, '0' ... '9'
// for digits (and their shifted symbols on a US keyboard), 13 for Return and Enter,
// 27 for Escape, 112 ... for F1 ..., the numeric pad's codes when the keypad modifier
// is set. 0 for a key that has none.
quint16 VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
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
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // Takes over the form's key-down handler, keeping the one it had to call first.
    explicit TQuenlarkKeyManager(QWidget* ownerForm);
    // Gives the form back the handler it had before, if the manager's is still in place.
    ~TQuenlarkKeyManager() override;

    // Enter, with any modifiers; the sender is the form.
    TNotifyEvent OnDefault;
    // Escape, with any modifiers; the sender is the form.
    TNotifyEvent OnCancel;
    // Alt with the letter, with or without other modifiers; the sender is the manager.
    TNotifyEvent Alt_A, Alt_B, Alt_C, Alt_D, Alt_E, Alt_F, Alt_G, Alt_H, Alt_I, Alt_J, Alt_K, Alt_L,
        Alt_M, Alt_N, Alt_O, Alt_P, Alt_Q, Alt_R, Alt_S, Alt_T, Alt_U, Alt_V, Alt_W, Alt_X, Alt_Y,
        Alt_Z;

    // Alt_A ... Alt_Z by letter ('A' ... 'Z', either case).
    TNotifyEvent& AltEvent(char letter);

    // The form's key-down handler: the previous handler first, then the Alt letters, then
    // Enter and Escape. Stops as soon as a handler has called CancelCurrent.
    void COnKeyDown(QObject* sender, quint16& key, TShiftState shift);
    // Raises Alt_ plus the letter for 'A' (65) ... 'Z' (90); other codes do nothing.
    void ProcessAltKey(quint16 key);
    // Stops the manager's handling of the key being processed.
    void CancelCurrent() { FCancelled = true; }

    QWidget* OwnerForm() const { return FOwnerForm; }
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

private:
    // Calls the handler when set and tells the form's key preview that the key was used.
    void raise(const TNotifyEvent& event, QObject* sender);

    QPointer<QWidget> FOwnerForm;
    TKeyEvent FPrevKeyDown;
    bool FCancelled = false;
    int FTag = 0;
    QPointer<QObject> FPreview; // the form's key preview, which calls COnKeyDown
};

} // namespace quenlark
