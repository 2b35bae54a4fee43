#include "forms/contacteditor.h"

#include "platform/storedtext.h"
#include "platform/uiseam.h"
#include "ui_mainform.h"

#include <QFocusEvent>
#include <QScrollBar>
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
    {&Ui::mainform::nameEdit, Field::Name, "Contact name"},
    {&Ui::mainform::emailEdit, Field::Email, "E-Mail address"},
    {&Ui::mainform::nicknameEdit, Field::Nickname, "Nickname"},
    {&Ui::mainform::webSiteEdit, Field::WebSite, "Web site"},
    {&Ui::mainform::phoneEdit, Field::Phone, "Phone number"},
    {&Ui::mainform::mobileEdit, Field::Mobile, "Mobile number"},
    {&Ui::mainform::secondEmailEdit, Field::SecondEmail, "Second e-mail address"},
    {&Ui::mainform::addressEdit, Field::Address, "Address"},
    {&Ui::mainform::cityEdit, Field::City, "City"},
    {&Ui::mainform::zipCodeEdit, Field::ZipCode, "Zip code"},
}};

// The stored bytes of a box's text; only called once the text is known to be storable.
std::string storedText(const QLineEdit* box) {
    return ToStored(box->text()).value_or(std::string());
}

} // namespace

ContactEditor::ContactEditor(QWidget* window, const Ui::mainform& ui) : window_(window), ui_(ui) {
    for (QWidget* box : ui_.detailsContents->findChildren<QWidget*>())
        if (box->focusPolicy() != Qt::NoFocus)
            box->installEventFilter(this);
}

ContactEditor::~ContactEditor() = default;

bool ContactEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui_.emailEdit)
            scrollToTop();
        else
            ui_.detailsScrollArea->ensureWidgetVisible(static_cast<QWidget*>(watched), 0, 0);
    }
    return false;
}

void ContactEditor::scrollToTop() {
    ui_.detailsScrollArea->verticalScrollBar()->setValue(0);
}

void ContactEditor::show(const ContactRecord* record) {
    const Ui::mainform& ui = ui_;
    scrollToTop();
    if (!record) {
        for (QLineEdit* box : {ui.nameEdit, ui.nicknameEdit, ui.emailEdit, ui.webSiteEdit,
                               ui.phoneEdit, ui.mobileEdit})
            box->clear();
        ui.countryBox->setCurrentIndex(0);
        for (QLineEdit* box : {ui.cityEdit, ui.addressEdit, ui.secondEmailEdit, ui.zipCodeEdit})
            box->clear();
        ui.sendMailPanel->hide();
        ui.webSitePanel->hide();
        ui.secondMailPanel->hide();
        return;
    }
    const auto fill = [record](QLineEdit* box, Field field) {
        box->setText(FromStored(record->text(field)));
    };
    fill(ui.nameEdit, Field::Name);
    fill(ui.nicknameEdit, Field::Nickname);
    fill(ui.emailEdit, Field::Email);
    fill(ui.webSiteEdit, Field::WebSite);
    fill(ui.phoneEdit, Field::Phone);
    fill(ui.mobileEdit, Field::Mobile);
    // An index outside the list selects nothing.
    ui.countryBox->setCurrentIndex(record->country());
    fill(ui.cityEdit, Field::City);
    fill(ui.secondEmailEdit, Field::SecondEmail);
    fill(ui.addressEdit, Field::Address);
    fill(ui.zipCodeEdit, Field::ZipCode);
    ui.webSitePanel->setVisible(!ui.webSiteEdit->text().isEmpty());
    ui.secondMailPanel->setVisible(!ui.secondEmailEdit->text().isEmpty());
    ui.sendMailPanel->setVisible(!ui.emailEdit->text().isEmpty());
    // Each move puts the panel rightmost: the visible ones end up packed against the
    // right edge as first e-mail, second e-mail, web site.
    QLayout* bar = ui.linkBar->layout();
    for (QWidget* panel : {ui.sendMailPanel, ui.secondMailPanel, ui.webSitePanel}) {
        bar->removeWidget(panel);
        bar->addWidget(panel);
    }
}

bool ContactEditor::refuseUnstorableText() {
    for (const EditField& edit : kEditFields) {
        QLineEdit* box = ui_.*edit.box;
        const QString character = FirstUnstorableCharacter(box->text());
        if (character.isEmpty())
            continue;
        Ui().messageBox(window_, latin1("Cannot save contact"),
                        QStringLiteral("The character \"%1\" (U+%2) in the field \"%3\" cannot be "
                                       "stored in the address book.  Please remove or replace it "
                                       "and try again.")
                            .arg(character)
                            .arg(QString::number(character.toUcs4().value(0), 16)
                                     .toUpper()
                                     .rightJustified(4, QLatin1Char('0')))
                            .arg(latin1(edit.label)),
                        MsgIcon::Error, MsgButtons::Ok);
        box->setFocus();
        return true;
    }
    return false;
}

ContactEditor::WebLinkDecision ContactEditor::checkWebLink(const QString& text) {
    if (text.contains(latin1("http://"), Qt::CaseSensitive) ||
        text.contains(latin1("https://"), Qt::CaseSensitive))
        return WebLinkDecision::Use;
    switch (Ui().messageBox(
        window_, latin1("Web link is invalid!"),
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

std::optional<ContactRecord> ContactEditor::record(bool checkWebLinks) {
    if (refuseUnstorableText())
        return std::nullopt;
    const Ui::mainform& ui = ui_;
    ContactRecord record;
    ClearContactRecord(record);
    record.setText(Field::Name, storedText(ui.nameEdit));
    record.setText(Field::Email, storedText(ui.emailEdit));
    record.setText(Field::Nickname, storedText(ui.nicknameEdit));
    const QString webSite = ui.webSiteEdit->text();
    const WebLinkDecision decision =
        webSite.isEmpty() || !checkWebLinks ? WebLinkDecision::Use : checkWebLink(webSite);
    switch (decision) {
    case WebLinkDecision::Use:
        record.setText(Field::WebSite, storedText(ui.webSiteEdit));
        break;
    case WebLinkDecision::Clear:
        break;
    case WebLinkDecision::Cancel:
        return std::nullopt;
    }
    record.setText(Field::Phone, storedText(ui.phoneEdit));
    record.setText(Field::Mobile, storedText(ui.mobileEdit));
    record.setText(Field::SecondEmail, storedText(ui.secondEmailEdit));
    record.setText(Field::Address, storedText(ui.addressEdit));
    record.setText(Field::City, storedText(ui.cityEdit));
    record.setText(Field::ZipCode, storedText(ui.zipCodeEdit));
    record.setCountry(ui.countryBox->currentIndex());
    return record;
}

bool ContactEditor::hasName() const {
    return !ui_.nameEdit->text().isEmpty();
}

QString ContactEditor::email() const {
    return ui_.emailEdit->text();
}

QString ContactEditor::secondEmail() const {
    return ui_.secondEmailEdit->text();
}

QString ContactEditor::webSite() const {
    return ui_.webSiteEdit->text();
}

void ContactEditor::setQuickFields(const QString& name, const QString& email,
                                   const QString& webSite) {
    ui_.nameEdit->setText(name);
    ui_.emailEdit->setText(email);
    ui_.webSiteEdit->setText(webSite);
}

void ContactEditor::focusName() {
    ui_.nameEdit->setFocus();
}

} // namespace quenlark
