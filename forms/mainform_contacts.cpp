// The main window's contact list and edit panel: showing the selected contact, "Select
// nothing", adding, modifying and deleting contacts, and the web link check they run.
#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "engine/addressbookengine.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "platform/services.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"

#include <QAction>
#include <QBoxLayout>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStringListModel>
#include <array>
#include <string>

namespace quenlark {

namespace {

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

// An edit box of the panel with the record field it fills and the name it is known by in
// messages.
struct EditField {
    QLineEdit* Ui::mainform::*box;
    Field field;
    const char* label;
};

// In the order the record is filled from the boxes.
constexpr std::array<EditField, kFieldCount> kEditFields{{
    {&Ui::mainform::e_name, Field::Name, "Contact name"},
    {&Ui::mainform::e_email, Field::Email, "E-Mail address"},
    {&Ui::mainform::e_nickname, Field::Nickname, "Nickname"},
    {&Ui::mainform::e_website, Field::WebSite, "Web site"},
    {&Ui::mainform::e_phone, Field::Phone, "Phone number"},
    {&Ui::mainform::e_mobile, Field::Mobile, "Mobile number"},
    {&Ui::mainform::e_2ndemail, Field::SecondEmail, "Second e-mail address"},
    {&Ui::mainform::e_address, Field::Address, "Address"},
    {&Ui::mainform::e_city, Field::City, "City"},
    {&Ui::mainform::e_zipcode, Field::ZipCode, "Zip code"},
}};

// The stored bytes of a box's text; only called once the text is known to be storable.
std::string storedText(const QLineEdit* box) {
    return ToStored(box->text()).value_or(std::string());
}

} // namespace

void Tmainform::BindContactEditing() {
    ui_->btnAdd->OnClick = [this](QObject* sender) { btnAddClick(sender); };
    ui_->btnModify->OnClick = [this](QObject* sender) { btnModifyClick(sender); };
    ui_->btnDelete->OnClick = [this](QObject* sender) { btnDeleteClick(sender); };
    ui_->QuenlarkWebLink1->OnClick = [this](QObject* sender) { Label15Click(sender); };
    QuenlarkKeyManager1->Alt_A = [this](QObject* sender) { btnAddClick(sender); };
    QuenlarkKeyManager1->Alt_M = [this](QObject* sender) { btnModifyClick(sender); };
    QuenlarkKeyManager1->Alt_D = [this](QObject* sender) { btnDeleteClick(sender); };
    connect(Deletecontact1, &QAction::triggered, this, [this] { btnDeleteClick(Deletecontact1); });
    // A change of the selected item, by mouse or keyboard, shows the contact.
    connect(ui_->contacts->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { contactsClick(ui_->contacts); });
}

const ContactIndexEntry* Tmainform::SelectedContact() const {
    if (selectedHandle_.isEmpty())
        return nullptr;
    return Engine().EntryFromHandle(selectedHandle_.toStdString());
}

void Tmainform::contactsClick(QObject*) {
    const QModelIndexList selected = ui_->contacts->selectionModel()->selectedIndexes();
    selectedHandle_ =
        selected.isEmpty() ? QString() : selected.first().data(Qt::DisplayRole).toString();
    ShowSelectedContact();
}

void Tmainform::ShowSelectedContact() {
    Ui::mainform& ui = *ui_;
    ui.scrollbox->verticalScrollBar()->setValue(0);
    const ContactIndexEntry* entry = SelectedContact();
    if (!entry) {
        for (QLineEdit* box :
             {ui.e_name, ui.e_nickname, ui.e_email, ui.e_website, ui.e_phone, ui.e_mobile})
            box->clear();
        ui.e_country->setCurrentIndex(0);
        for (QLineEdit* box : {ui.e_city, ui.e_address, ui.e_2ndemail, ui.e_zipcode})
            box->clear();
        ui.panel_sendmail->hide();
        ui.panel_website->hide();
        ui.panel_sendmail2->hide();
        return;
    }
    const ContactRecord record = Engine().ReadContact(*entry);
    const auto show = [&record](QLineEdit* box, Field field) {
        box->setText(FromStored(record.text(field)));
    };
    show(ui.e_name, Field::Name);
    show(ui.e_nickname, Field::Nickname);
    show(ui.e_email, Field::Email);
    show(ui.e_website, Field::WebSite);
    show(ui.e_phone, Field::Phone);
    show(ui.e_mobile, Field::Mobile);
    // An index outside the list selects nothing.
    ui.e_country->setCurrentIndex(record.country());
    show(ui.e_city, Field::City);
    show(ui.e_2ndemail, Field::SecondEmail);
    show(ui.e_address, Field::Address);
    show(ui.e_zipcode, Field::ZipCode);
    ui.panel_website->setVisible(!ui.e_website->text().isEmpty());
    ui.panel_sendmail2->setVisible(!ui.e_2ndemail->text().isEmpty());
    ui.panel_sendmail->setVisible(!ui.e_email->text().isEmpty());
    // Each move puts the panel rightmost: the visible ones end up packed against the
    // right edge as first e-mail, second e-mail, web site.
    QLayout* bar = ui.panel_ctrls->layout();
    for (QWidget* panel : {ui.panel_sendmail, ui.panel_sendmail2, ui.panel_website}) {
        bar->removeWidget(panel);
        bar->addWidget(panel);
    }
}

void Tmainform::Label15Click(QObject*) {
    ui_->contacts->selectionModel()->clearCurrentIndex();
    ui_->contacts->clearSelection();
    selectedHandle_.clear();
    ShowSelectedContact();
    ui_->e_name->setFocus();
}

void Tmainform::RefreshAfterChange() {
    FillContactList();
    Label15Click(nullptr);
}

bool Tmainform::RefuseUnstorableText() {
    for (const EditField& edit : kEditFields) {
        const QString character = FirstUnstorableCharacter((ui_.get()->*edit.box)->text());
        if (character.isEmpty())
            continue;
        Ui().messageBox(this, latin1("Cannot save contact"),
                        QStringLiteral("The character \"%1\" (U+%2) in the field \"%3\" cannot be "
                                       "stored in the address book.  Please remove or replace it "
                                       "and try again.")
                            .arg(character)
                            .arg(QString::number(character.toUcs4().value(0), 16)
                                     .toUpper()
                                     .rightJustified(4, QLatin1Char('0')))
                            .arg(latin1(edit.label)),
                        MsgIcon::Error, MsgButtons::Ok);
        (ui_.get()->*edit.box)->setFocus();
        return true;
    }
    return false;
}

Tmainform::WebLinkDecision Tmainform::CheckWebLink(const QString& text) {
    if (text.isEmpty() || urlValidationDisabled())
        return WebLinkDecision::Use;
    if (text.contains(latin1("http://"), Qt::CaseSensitive) ||
        text.contains(latin1("https://"), Qt::CaseSensitive))
        return WebLinkDecision::Use;
    switch (Ui().messageBox(
        this, latin1("Web link is invalid!"),
        latin1("The web link you have specified seems to be invalid.  Are you sure you want to "
               "specify this web link for this contact?\n\nPress Yes if you want to use this web "
               "link, press No if you do not want to specify a web link or press Cancel to "
               "specify a link."),
        MsgIcon::Question, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        return WebLinkDecision::Use;
    case MsgResult::No:
        return WebLinkDecision::Clear;
    default:
        return WebLinkDecision::Cancel;
    }
}

bool Tmainform::FillContactRecord(ContactRecord& record) {
    ClearContactRecord(record);
    record.setText(Field::Name, storedText(ui_->e_name));
    record.setText(Field::Email, storedText(ui_->e_email));
    record.setText(Field::Nickname, storedText(ui_->e_nickname));
    switch (CheckWebLink(ui_->e_website->text())) {
    case WebLinkDecision::Use:
        record.setText(Field::WebSite, storedText(ui_->e_website));
        break;
    case WebLinkDecision::Clear:
        break;
    case WebLinkDecision::Cancel:
        return false;
    }
    record.setText(Field::Phone, storedText(ui_->e_phone));
    record.setText(Field::Mobile, storedText(ui_->e_mobile));
    record.setText(Field::SecondEmail, storedText(ui_->e_2ndemail));
    record.setText(Field::Address, storedText(ui_->e_address));
    record.setText(Field::City, storedText(ui_->e_city));
    record.setText(Field::ZipCode, storedText(ui_->e_zipcode));
    record.setCountry(ui_->e_country->currentIndex());
    return true;
}

void Tmainform::btnAddClick(QObject*) {
    if (ui_->e_name->text().isEmpty() || !EmailRequirementMet()) {
        Ui().messageBox(this, latin1("Specify required fields!"),
                        latin1("You must specify at least a contact name and e-mail address to "
                               "add a contact to the address book!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    if (RefuseUnstorableText())
        return;
    ContactRecord record;
    if (!FillContactRecord(record))
        return;
    if (!Engine().AppendContact(record))
        Ui().messageBox(this, latin1("Failed to add contact!"),
                        latin1("There was an error adding the new contact!  Please restart "
                               "Quenlark Address Book and try again."),
                        MsgIcon::Error, MsgButtons::Ok);
    RefreshAfterChange();
}

void Tmainform::btnModifyClick(QObject* Sender) {
    const ContactIndexEntry* entry = SelectedContact();
    if (!entry) {
        btnAddClick(Sender);
        return;
    }
    if (ui_->e_name->text().isEmpty() || !EmailRequirementMet()) {
        Ui().messageBox(this, latin1("Specify required fields!"),
                        latin1("You must specify a name and e-mail address to add a contact!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    if (RefuseUnstorableText())
        return;
    ContactRecord record;
    if (!FillContactRecord(record))
        return;
    if (!Engine().RewriteContact(*entry, record))
        Ui().messageBox(this, latin1("Failed to update contact!"),
                        latin1("There was an error making changes to the selected contact."),
                        MsgIcon::Error, MsgButtons::Ok);
    RefreshAfterChange();
}

void Tmainform::btnDeleteClick(QObject*) {
    const ContactIndexEntry* entry = SelectedContact();
    if (!entry) {
        Ui().messageBox(this, latin1("Select contact!"), latin1("Please select a contact first!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const QString question = latin1("Are you sure you really want to delete the contact \"") +
                             FromStored(entry->name) + latin1("\" from you address book?");
    if (Ui().messageBox(this, latin1("Delete contact?"), question, MsgIcon::Question,
                        MsgButtons::YesNo) != MsgResult::Yes)
        return;
    if (!Engine().DeleteContact(*entry))
        Ui().messageBox(this, latin1("Failed to delete contact!"),
                        latin1("Quenlark Address Book failed to delete the contact.  Please "
                               "restore Quenlark Address Book and try again."),
                        MsgIcon::Error, MsgButtons::Ok);
    RefreshAfterChange();
}

} // namespace quenlark
