#include "forms/exportcontacts.h"

#include "controls/quenlarkkeymanager.h"
#include "engine/addressbookengine.h"
#include "forms/bookmessages.h"
#include "forms/selectcontacts.h"
#include "platform/uiseam.h"
#include "reports/contactfiles.h"
#include "tools/addressbook.h"
#include "tools/busyindicator.h"
#include "tools/dialog.h"
#include "ui_exportcontacts.h"

#include <QAction>
#include <QDir>

namespace quenlark {

namespace {

// Filters of the save dialog: description, pattern, and the closing NUL.
constexpr char kVCardFilter[] = "vCard contacts\0*.vcf\0";
constexpr char kCsvFilter[] = "CSV contacts\0*.csv\0";

QString contactCount(std::int64_t count) {
    return count == 1 ? QStringLiteral("1 contact") : QStringLiteral("%1 contacts").arg(count);
}

} // namespace

Texportcontacts::Texportcontacts(const AddressBookEngine& engine, QWidget* parent)
    : QuenlarkDialog(parent), engine_(engine), ui_(std::make_unique<Ui::exportcontacts>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel, {ui_->formatLabel, ui_->sourceLabel});

    all_.reserve(qsizetype(engine.index().size()));
    for (const ContactIndexEntry& entry : engine.index())
        all_.append(entry.serial);

    connect(ui_->selectContactsButton, &TQuenlarkStdButton::clicked, this,
            &Texportcontacts::selectContacts);
    connect(ui_->exportButton, &TQuenlarkStdButton::clicked, this,
            &Texportcontacts::exportContacts);
    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Texportcontacts::cancel);
    auto* keys = new TQuenlarkKeyManager(this);
    // A focused button takes Enter itself, as a click.
    connect(keys->defaultKey(), &QAction::triggered, this, [this] {
        if (!qobject_cast<TQuenlarkStdButton*>(focusWidget()))
            exportContacts();
    });
    connect(keys->cancelKey(), &QAction::triggered, this, &Texportcontacts::cancel);
    connect(keys->altKey('C'), &QAction::triggered, this, &Texportcontacts::cancel);
    connect(keys->altKey('E'), &QAction::triggered, this, &Texportcontacts::exportContacts);
    connect(keys->altKey('S'), &QAction::triggered, this, &Texportcontacts::selectContacts);

    ui_->vcard3Button->setFocus();
}

Texportcontacts::~Texportcontacts() = default;

ReportFormat Texportcontacts::format() const {
    if (ui_->csvButton->isChecked())
        return ReportFormat::Csv;
    return ui_->vcard4Button->isChecked() ? ReportFormat::VCard4 : ReportFormat::VCard3;
}

void Texportcontacts::selectContacts() {
    const auto dialog = std::make_unique<Tselectcontacts>(engine_, this);
    dialog->setChosenContacts(chosen_);
    dialog->setAvailableContacts(all_);
    if (dialog->exec() != mrOk)
        return;
    chosen_ = dialog->chosenContacts();
    if (!chosen_.isEmpty())
        ui_->chosenContactsButton->setChecked(true);
}

void Texportcontacts::exportContacts() {
    const bool chosenOnly = ui_->chosenContactsButton->isChecked();
    if (chosenOnly && chosen_.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("No contacts chosen"),
                        QStringLiteral("Please choose the contacts to export with \"Select "
                                       "contacts\", or export the entire contact list."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const ContactSerials& contacts = chosenOnly ? chosen_ : all_;
    const ReportFormat format = this->format();
    const bool csv = format == ReportFormat::Csv;

    TFileDialogRequest request;
    ClearFileDialogRequest(request);
    request.owner = this;
    request.filter = csv ? kCsvFilter : kVCardFilter;
    request.defaultExt = csv ? "csv" : "vcf";
    request.title = "Please select where you want to export the contacts to...";
    request.filterIndex = 0;
    request.flags = kDialogOverwritePrompt;
    if (!ShowSaveDialog(request))
        return;
    // The dialog's own question before replacing a file is no consent to replace the
    // address book.
    if (engine_.IsDatabaseFile(LocalPath(request.fileName))) {
        TellCannotReplaceAddressBook(this);
        return;
    }

    Result written;
    {
        BusyIndicator busy(this, QStringLiteral("Exporting the contacts..."), 0, true);
        written = SaveContactsFile(
            engine_, contacts, request.fileName, format, ReportFields::All(),
            [&](std::int64_t done, std::int64_t total) { return busy.advance(done, total); });
    }
    if (!written) {
        if (written.failure() != Failure::Cancelled)
            TellWriteFailed(this, written, QStringLiteral("Failed to export contacts!"),
                            QStringLiteral("Quenlark Address Book failed to export your "
                                           "contacts.  Please check the path/filename and try "
                                           "again!"));
        return;
    }
    Ui().messageBox(this, QStringLiteral("Export complete!"),
                    QStringLiteral("%1 written to %2.")
                        .arg(contactCount(CountFound(engine_, contacts)),
                             QDir::toNativeSeparators(request.fileName)),
                    MsgIcon::Information, MsgButtons::Ok);
    ok();
}

void RunContactExport(const AddressBookEngine& engine, QWidget* owner) {
    const auto dialog = std::make_unique<Texportcontacts>(engine, owner);
    dialog->exec();
}

} // namespace quenlark
