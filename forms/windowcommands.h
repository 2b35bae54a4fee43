// The main window's remaining commands: the Info menu (about box, home page, program
// options, the text files), "Add contact fast", the Report button and Exit.
#pragma once

#include <QObject>

class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class AddressBook;
class ContactCommands;
class ContactEditor;
class ContactList;
class LinkCommands;
class SettingsStore;
class WindowOptions;

class WindowCommands : public QObject {
    Q_OBJECT
public:
    struct Parts {
        const AddressBook& book;
        SettingsStore& settings;
        const ContactList& list;
        ContactEditor& editor;
        ContactCommands& contacts;
        LinkCommands& links;
        WindowOptions& options;
    };
    WindowCommands(QWidget* window, const Ui::mainform& ui, const Parts& parts);
    ~WindowCommands() override;

    // Fills the edit panel from the add contact fast dialog and, unless the person said
    // otherwise there, adds the contact.
    void addContactFast();
    // The about box, showing the database file in use.
    void showAbout();
    void openHomePage();
    // Opens one of the program's text files by its name.
    void viewFile(const QString& name);
    void runReportGenerator();
    // Exit. A sender without the tag 1 (Escape and Alt+X, unlike the Exit button) first
    // clears a selection and keeps the window open.
    void exit(int senderTag);

private:
    void buildInfoMenu(const Ui::mainform& ui);

    QWidget* window_;
    Parts parts_;
};

} // namespace quenlark
