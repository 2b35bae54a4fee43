// Add, Modify and Delete, and "Select nothing": the commands that change the contacts from
// the edit panel, with their checks and messages.
#pragma once

#include <QObject>

class QWidget;

namespace quenlark {

class AddressBook;
class ContactEditor;
class ContactList;
struct OptionValues;

class ContactCommands : public QObject {
    Q_OBJECT
public:
    // `options` are the window's, read at each command.
    ContactCommands(QWidget* window, AddressBook& book, ContactList& list, ContactEditor& editor,
                    const OptionValues& options);
    ~ContactCommands() override;

    // Adds the contact the boxes describe.
    void add();
    // Writes the boxes over the selected contact; Add when none is selected.
    void modify();
    // Deletes the selected contact once the person confirms.
    void remove();
    // No item selected, no selected contact, the boxes emptied, the focus in the name box.
    void selectNothing();
    // Shows the list's selected contact in the boxes, or empties them.
    void showSelected();
    // True when no e-mail address is required or the e-mail box is not empty.
    bool emailRequirementMet() const;

private:
    QWidget* window_;
    AddressBook& book_;
    ContactList& list_;
    ContactEditor& editor_;
    const OptionValues& options_;
};

} // namespace quenlark
