#include "forms/keybindings.h"

#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "forms/contactcommands.h"
#include "forms/contactsearch.h"
#include "forms/linkcommands.h"
#include "forms/windowcommands.h"
#include "ui_mainform.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <functional>

namespace quenlark {

namespace {

// Gives the focused control of `window` (or the window) the menu the Menu key would: a
// context menu event from the keyboard, at the text cursor or the current item.
void OpenContextMenu(QWidget* window) {
    QWidget* target = window->focusWidget();
    if (!target || !target->isEnabled())
        target = window;
    const QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
}

} // namespace

KeyBindings::KeyBindings(QWidget* window, const Ui::mainform& ui, const Commands& commands)
    : commands_(commands), enterChain_{ui.nameEdit,        ui.nicknameEdit, ui.emailEdit,
                                       ui.secondEmailEdit, ui.webSiteEdit,  ui.phoneEdit,
                                       ui.mobileEdit,      ui.addressEdit,  ui.zipCodeEdit,
                                       ui.cityEdit,        ui.countryBox} {
    bindFunctionKeys(window, ui);
    bindKeyManager(window, ui);
    for (QWidget* box : enterChain_)
        box->installEventFilter(this);
}

KeyBindings::~KeyBindings() = default;

void KeyBindings::bindFunctionKeys(QWidget* window, const Ui::mainform& ui) {
    QCheckBox* matchCase = ui.matchCaseBox;
    const auto focus = [](QWidget* widget) {
        return [widget] { widget->setFocus(Qt::ShortcutFocusReason); };
    };
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {Qt::Key_F1, focus(ui.contacts)},
        {Qt::Key_F2, [this] { commands_.search.start(); }},
        {Qt::Key_F3, focus(ui.searchEdit)},
        {Qt::Key_F4, [matchCase] { matchCase->toggle(); }},
        {Qt::Key_F5, focus(ui.nameEdit)},
        {Qt::Key_F6, [button = ui.addButton] { button->Click(); }},
        {Qt::Key_F7, [button = ui.modifyButton] { button->Click(); }},
        {Qt::Key_F8, [button = ui.deleteButton] { button->Click(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), [window] { window->close(); }},
        // The focused control's own menu, as the Menu key opens it.
        {QKeySequence(Qt::SHIFT | Qt::Key_F10), [window] { OpenContextMenu(window); }},
    };
    // They work wherever the focus is in the window, before the focused control.
    for (const auto& [sequence, command] : keys) {
        auto* action = new QAction(this);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command);
        window->addAction(action);
    }
    // The links' keys are their pictures' actions, so that a screen reader tells them too.
    LinkCommands& links = commands_.links;
    for (const auto& [sequence, action] :
         {std::pair{QKeySequence(Qt::Key_F9), links.sendMailAction()},
          std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F9), links.secondMailAction()},
          std::pair{QKeySequence(Qt::Key_F10), links.webSiteAction()}}) {
        action->setShortcut(sequence);
        window->addAction(action);
    }
}

void KeyBindings::bindKeyManager(QWidget* window, const Ui::mainform& ui) {
    auto* keys = new TQuenlarkKeyManager(window);
    const auto bind = [this](QAction* key, const std::function<void()>& command) {
        connect(key, &QAction::triggered, this, command);
    };
    // The manager's keys carry no tag: Escape and Alt+X clear a selection first.
    bind(keys->cancelKey(), [this] { commands_.window.exit(0); });
    bind(keys->altKey('X'), [this] { commands_.window.exit(0); });
    bind(keys->altKey('A'), [this] { commands_.contacts.add(); });
    bind(keys->altKey('M'), [this] { commands_.contacts.modify(); });
    bind(keys->altKey('D'), [this] { commands_.contacts.remove(); });
    bind(keys->altKey('C'), [box = ui.matchCaseBox] { box->toggle(); });
    // The buttons' menus drop down below them, not at the mouse pointer. Report and Info
    // have no other key.
    for (const auto& [letter, button] :
         {std::pair<char, TQuenlarkButtonBase*>{'B', ui.backupButton},
          {'S', ui.sortButton},
          {'R', ui.reportButton},
          {'I', ui.infoButton}})
        bind(keys->altKey(letter), [button] { button->KeyboardClick(); });
}

bool KeyBindings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)))
        return false;
    if (watched == enterChain_.back()) {
        commands_.contacts.add();
        return true;
    }
    const int next = watched->property("Tag").toInt();
    if (next < 1 || next >= int(enterChain_.size()))
        return false;
    enterChain_[std::size_t(next)]->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace quenlark
