#include "controls/altkeyguard.h"

#include "controls/quenlarkkeymanager.h"

#include <QKeyEvent>

namespace quenlark {

namespace {

// A key that types a letter or digit of any script: a Cyrillic layout has letters on the keys
// where the US layout has punctuation (ж э б ю х ъ ё on ; ' , . [ ] `).
bool typesLetterOrDigit(const QKeyEvent& key) {
    const QString text = key.text();
    if (text.size() == 1)
        return text.front().isLetterOrNumber();
    const int code = key.key();
    return code > 0 && code <= 0xFFFF && QChar(code).isLetterOrNumber();
}

} // namespace

AltKeyGuard::AltKeyGuard(QWidget* window) : WidgetTreeFilter(window) {}

bool AltKeyGuard::filterEvent(QWidget*, QEvent* event) {
    // Commands (the key manager's keys, Qt's shortcuts and mnemonics) have taken the key
    // before it is delivered as a press. Ctrl+Alt is left alone: some layouts type with it.
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (!modifiers.testFlag(Qt::AltModifier) ||
        (modifiers & (Qt::ControlModifier | Qt::MetaModifier | Qt::KeypadModifier)))
        return false;
    const quint16 code = VirtualKeyFromEvent(*key);
    if ((code < 'A' || code > 'Z') && (code < '0' || code > '9') && !typesLetterOrDigit(*key))
        return false;
    event->accept();
    return true;
}

} // namespace quenlark
