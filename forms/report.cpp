#include "forms/report.h"

#include "engine/addressbookengine.h"
#include "forms/bookmessages.h"
#include "forms/selectcontacts.h"
#include "platform/uiseam.h"
#include "reports/contactfiles.h"
#include "tools/addressbook.h"
#include "tools/busyindicator.h"
#include "tools/dialog.h"
#include "tools/filetools.h"
#include "ui_report.h"

#include <QListWidget>

namespace quenlark {

namespace {

// Filters of the save dialog: description, pattern, and the closing NUL.
constexpr char kHtmlFilter[] = "Hyper text markup language\0*.html; *.htm\0";
constexpr char kRichTextFilter[] = "Rich Text Files\0*.rtf\0";
constexpr char kSaveTitle[] = "Please select a file name of the report ...";

constexpr int kFieldItemHeight = 13;

} // namespace

Treportgen::Treportgen(const AddressBookEngine& engine, QWidget* parent)
    : QuenlarkDialog(parent), engine_(engine), ui_(std::make_unique<Ui::reportgen>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel,
                 {ui_->typeLabel, ui_->sourceLabel, ui_->afterLabel, ui_->fieldsLabel});

    // The field list: every item checked, in index order.
    ui_->fieldList->setUniformItemSizes(true);
    for (const char* text : kReportFieldItems) {
        auto* item = new QListWidgetItem(QString::fromLatin1(text), ui_->fieldList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setSizeHint(QSize(0, kFieldItemHeight));
    }

    all_.reserve(qsizetype(engine.index().size()));
    for (const ContactIndexEntry& entry : engine.index())
        all_.append(entry.serial);

    connect(ui_->selectContactsButton, &TQuenlarkStdButton::clicked, this,
            &Treportgen::selectContacts);
    connect(ui_->createButton, &TQuenlarkStdButton::clicked, this, &Treportgen::createReport);
    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Treportgen::cancel);

    ui_->htmlButton->setFocus();
}

Treportgen::~Treportgen() = default;

ReportFields Treportgen::checkedFields() const {
    ReportFields fields;
    for (int i = 0; i < ui_->fieldList->count() && i < int(kReportFieldCount); ++i)
        fields.chosen.set(std::size_t(i), ui_->fieldList->item(i)->checkState() == Qt::Checked);
    return fields;
}

void Treportgen::selectContacts() {
    const auto dialog = std::make_unique<Tselectcontacts>(engine_, this);
    dialog->setChosenContacts(chosen_);
    dialog->setAvailableContacts(all_);
    if (dialog->exec() == mrOk)
        chosen_ = dialog->chosenContacts();
}

void Treportgen::createReport() {
    if (!checkedFields().any()) {
        Ui().messageBox(this, QStringLiteral("At least one field required!"),
                        QStringLiteral("Please select at least one field to add to the report!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const ContactSerials& contacts = ui_->allContactsButton->isChecked() ? all_ : chosen_;
    const bool made = ui_->htmlButton->isChecked()
                          ? writeReport(contacts, ReportFormat::Html, kHtmlFilter, "html")
                          : writeReport(contacts, ReportFormat::RichText, kRichTextFilter, "rtf");
    if (made)
        ok();
}

bool Treportgen::writeReport(const ContactSerials& contacts, ReportFormat format,
                             const char* filter, const char* defaultExt) {
    TFileDialogRequest request;
    ClearFileDialogRequest(request);
    request.owner = this;
    request.filter = filter;
    request.defaultExt = defaultExt;
    request.title = kSaveTitle;
    request.filterIndex = 0;
    request.flags = kDialogOverwritePrompt;
    if (!ShowSaveDialog(request))
        return false;
    // The dialog's own question before replacing a file is no consent to replace the
    // address book.
    if (engine_.IsDatabaseFile(LocalPath(request.fileName))) {
        TellCannotReplaceAddressBook(this);
        return false;
    }

    // The index is not read again while the dialog is open, so every contact is found.
    BusyIndicator busy(this, QStringLiteral("Writing the report..."));
    if (!SaveContactsFile(
            engine_, contacts, request.fileName, format, checkedFields(),
            [&](std::int64_t done, std::int64_t total) { return busy.advance(done, total); }))
        return false;

    if (ui_->openReportBox->isChecked())
        ShellLaunch(QStringLiteral("open"), request.fileName);
    if (ui_->printReportBox->isChecked())
        ShellLaunch(QStringLiteral("print"), request.fileName);
    return true;
}

void RunReportGenerator(const AddressBookEngine& engine, QWidget* owner) {
    const auto dialog = std::make_unique<Treportgen>(engine, owner);
    dialog->exec();
}

} // namespace quenlark
