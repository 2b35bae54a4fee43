// The main window's keyboard: F1 to F10 and Ctrl+Q, Shift+F9 (mail to the second address,
// which has no function key of its own) and Shift+F10 (the focused control's menu, as the
// Menu key), the key manager's Escape and Alt letters (Alt+R and Alt+I reach Report and
// Info, which have no function key), and Enter moving through the edit panel's boxes.
#pragma once

#include <QObject>
#include <array>

class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class ContactCommands;
class ContactSearch;
class LinkCommands;
class WindowCommands;

class KeyBindings : public QObject {
    Q_OBJECT
public:
    struct Commands {
        ContactCommands& contacts;
        ContactSearch& search;
        LinkCommands& links;
        WindowCommands& window;
    };
    KeyBindings(QWidget* window, const Ui::mainform& ui, const Commands& commands);
    ~KeyBindings() override;

protected:
    // Enter in an edit box moves the focus to the box its tag names; Enter in the country
    // list adds the contact.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindFunctionKeys(QWidget* window, const Ui::mainform& ui);
    void bindKeyManager(QWidget* window, const Ui::mainform& ui);

    Commands commands_;
    // The name, nickname, e-mail, second e-mail, web site, phone, mobile, address, zip code
    // and city boxes and the country list, in the order Enter goes through them.
    std::array<QWidget*, 11> enterChain_{};
};

} // namespace quenlark
