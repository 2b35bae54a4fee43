#include "forms/contactcommands.h"

#include "forms/bookmessages.h"
#include "forms/contacteditor.h"
#include "forms/contactlist.h"
#include "platform/programoptions.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"

namespace quenlark {

namespace {

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

} // namespace

ContactCommands::ContactCommands(QWidget* window, AddressBook& book, ContactList& list,
                                 ContactEditor& editor, const OptionValues& options)
    : window_(window), book_(book), list_(list), editor_(editor), options_(options) {
    connect(&list_, &ContactList::selectedContactChanged, this, &ContactCommands::showSelected);
    // A sort, like every change of the contacts, leaves nothing selected.
    connect(&list_, &ContactList::sorted, this, &ContactCommands::selectNothing);
    connect(&book_, &AddressBook::contactsChanged, this, &ContactCommands::selectNothing);
}

ContactCommands::~ContactCommands() = default;

bool ContactCommands::emailRequirementMet() const {
    return !options_.emailRequired || !editor_.email().isEmpty();
}

void ContactCommands::showSelected() {
    const ContactIndexEntry* entry = list_.selectedContact();
    if (!entry) {
        editor_.show(nullptr);
        return;
    }
    const ContactRecord record = book_.read(*entry);
    editor_.show(&record);
}

void ContactCommands::selectNothing() {
    list_.clearSelection();
    editor_.show(nullptr);
    editor_.focusName();
}

void ContactCommands::add() {
    if (!editor_.hasName() || !emailRequirementMet()) {
        Ui().messageBox(window_, latin1("Specify required fields!"),
                        latin1("You must specify at least a contact name and e-mail address to "
                               "add a contact to the address book!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const std::optional<ContactRecord> record = editor_.record(!options_.disableUrlValidation);
    if (!record)
        return;
    // The list is refreshed whatever the outcome, once it is told, so it shows what the
    // file holds.
    const AddressBook::PendingReload refresh(book_);
    if (const Result written = book_.appendContact(*record); !written)
        TellWriteFailed(window_, written, latin1("Failed to add contact!"),
                        latin1("There was an error adding the new contact!  Please restart "
                               "Quenlark Address Book and try again."));
}

void ContactCommands::modify() {
    const ContactIndexEntry* entry = list_.selectedContact();
    if (!entry) {
        add();
        return;
    }
    if (!editor_.hasName() || !emailRequirementMet()) {
        Ui().messageBox(window_, latin1("Specify required fields!"),
                        latin1("You must specify a name and e-mail address to add a contact!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const std::optional<ContactRecord> record = editor_.record(!options_.disableUrlValidation);
    if (!record)
        return;
    const AddressBook::PendingReload refresh(book_);
    if (const Result written = book_.rewriteContact(*entry, *record); !written)
        TellWriteFailed(window_, written, latin1("Failed to update contact!"),
                        latin1("There was an error making changes to the selected contact."));
}

void ContactCommands::remove() {
    const ContactIndexEntry* entry = list_.selectedContact();
    if (!entry) {
        Ui().messageBox(window_, latin1("Select contact!"),
                        latin1("Please select a contact first!"), MsgIcon::Information,
                        MsgButtons::Ok);
        return;
    }
    // The name is the stored one, not what the name box may hold now. "from you" is the
    // wording the program has always shown.
    const QString question = latin1("Are you sure you really want to delete the contact \"") +
                             FromStored(entry->name) + latin1("\" from you address book?");
    if (Ui().messageBox(window_, latin1("Delete contact?"), question, MsgIcon::Question,
                        MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // "restore" (for restart) is the wording the program has always shown.
    const AddressBook::PendingReload refresh(book_);
    Result written;
    {
        // Deleting near the start of a large book rewrites most of it.
        const AddressBook::ShowProgress progress(book_, window_,
                                                 QStringLiteral("Deleting the contact..."));
        written = book_.deleteContact(*entry);
    }
    if (!written)
        TellWriteFailed(window_, written, latin1("Failed to delete contact!"),
                        latin1("Quenlark Address Book failed to delete the contact.  Please "
                               "restore Quenlark Address Book and try again."));
}

} // namespace quenlark
