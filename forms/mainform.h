// The main window: a frameless window built from forms/mainform.ui. At its creation it
// opens the database, leading the person through every failure; it then lists the
// contacts and offers every command of the program. Its behaviour lives in parts, each
// owning what it is named after:
//   SkinnedFrame     caption bar, close image, roll-up and the caption menu
//   ContactList      the list of contacts, its selection, sorting and its menu
//   ContactSearch    the search box and the search results dialog
//   ContactEditor    the edit panel: boxes from a record and a record from the boxes
//   ContactCommands  Add, Modify, Delete and "Select nothing"
//   LinkCommands     mail and web links
//   BackupCommands   the backup button's menu
//   WindowOptions    the program options and the window's tooltips
//   WindowCommands   the Info menu, add contact fast, the Report button and Exit
//   KeyBindings      F1 to F10, Ctrl+Q, Escape, the Alt keys and the Enter chain
#pragma once

#include <QWidget>
#include <memory>

class QLabel;

namespace Ui {
class mainform;
}

namespace quenlark {

class AddressBook;
class AddressBookEngine;
class BackupCommands;
class ContactCommands;
class ContactEditor;
class ContactList;
class ContactSearch;
class KeyBindings;
class LinkCommands;
class SettingsStore;
class SkinnedFrame;
class SyncRunner;
class WindowCommands;
class WindowOptions;
struct ContactIndexEntry;
struct OptionValues;

class Tmainform : public QWidget {
    Q_OBJECT
public:
    // Opens the database of `engine` at once; see startedUp().
    Tmainform(AddressBookEngine& engine, SettingsStore& settings, QWidget* parent = nullptr);
    // Closes the database.
    ~Tmainform() override;

    // False when start-up ended without an open database; the window is then not used.
    bool startedUp() const { return startedUp_; }
    // The contact shown in the edit panel, or nullptr when none is selected.
    const ContactIndexEntry* selectedContact() const;
    // The program options in force.
    const OptionValues& options() const;
    // True when no e-mail address is required or the e-mail box is not empty.
    bool emailRequirementMet() const;

    // The commands the layout's buttons, menus and keys reach, for those who drive the
    // window without them.
    void addContact();
    void modifyContact();
    void deleteContact();
    void selectNothing();
    // Searches the names of the listed contacts as the search box and "Match case" say.
    void startSearch();
    void searchContacts(const QString& text, bool matchCase);
    void sortContacts(Qt::SortOrder order);
    void sendMail();
    void sendSecondMail();
    void openWebSite();
    bool openLink(const QString& link);
    void saveBackup();
    void restoreBackup();
    // "Synchronise...": the sync dialog. The runner exists once the window started up.
    void synchronise();
    SyncRunner* syncRunner() const { return sync_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void startUp();
    void startSync();

    std::unique_ptr<Ui::mainform> ui_;
    std::unique_ptr<AddressBook> book_;
    std::unique_ptr<SkinnedFrame> frame_;
    std::unique_ptr<ContactList> list_;
    std::unique_ptr<ContactEditor> editor_;
    std::unique_ptr<WindowOptions> options_;
    std::unique_ptr<ContactCommands> contacts_;
    std::unique_ptr<ContactSearch> search_;
    std::unique_ptr<LinkCommands> links_;
    std::unique_ptr<BackupCommands> backup_;
    std::unique_ptr<WindowCommands> commands_;
    std::unique_ptr<KeyBindings> keys_;
    SyncRunner* sync_ = nullptr;
    QLabel* syncNotice_ = nullptr;
    SettingsStore& settings_;
    bool startedUp_ = false;
};

} // namespace quenlark
