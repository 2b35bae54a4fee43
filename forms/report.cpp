#include "forms/report.h"

#include "engine/contactrecord.h"
#include "forms/dialogstyle.h"
#include "forms/selectcontacts.h"
#include "platform/services.h"
#include "platform/uiseam.h"
#include "reports/reportfile.h"
#include "tools/dialog.h"
#include "tools/filetools.h"
#include "ui_report.h"

#include <QFontMetrics>
#include <QListWidget>
#include <string>
#include <vector>

namespace quenlark {

Treportgen* reportgen = nullptr;

namespace {

// Filters of the save dialog: description, pattern, and the closing NUL.
constexpr char kHtmlFilter[] = "Hyper text markup language\0*.html; *.htm\0";
constexpr char kRichTextFilter[] = "Rich Text Files\0*.rtf\0";
constexpr char kSaveTitle[] = "Please select a file name of the report ...";

constexpr int kFieldItemHeight = 13;

} // namespace

Treportgen::Treportgen(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::reportgen>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(460, 315);

    ui_->Label1->setFont(TitlePanelFont());
    for (QLabel* label : {ui_->Label2, ui_->Label3, ui_->Label4, ui_->Label5})
        label->resize(QFontMetrics(label->font()).horizontalAdvance(label->text()),
                      label->height());

    CentreOnScreen(this);

    // The field list: every item checked, in index order.
    ui_->inc_fields->setUniformItemSizes(true);
    for (const char* text : kReportFieldItems) {
        auto* item = new QListWidgetItem(QString::fromLatin1(text), ui_->inc_fields);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setSizeHint(QSize(0, kFieldItemHeight));
    }

    std::vector<std::string> handles;
    Engine().CopyContactIndex(handles);
    all_contacts.reserve(qsizetype(handles.size()));
    for (const std::string& handle : handles)
        all_contacts.append(QString::fromStdString(handle));

    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    ui_->QuenlarkStdButton3->OnClick = [this](QObject* sender) { QuenlarkStdButton3Click(sender); };

    ui_->rt_HTML->setFocus();
    reportgen = this;
}

Treportgen::~Treportgen() {
    if (reportgen == this)
        reportgen = nullptr;
}

ReportFields Treportgen::checkedFields() const {
    ReportFields fields;
    for (int i = 0; i < ui_->inc_fields->count() && i < int(kReportFieldCount); ++i)
        fields.chosen.set(std::size_t(i), ui_->inc_fields->item(i)->checkState() == Qt::Checked);
    return fields;
}

void Treportgen::QuenlarkStdButton1Click(QObject*) {
    const auto dialog = std::make_unique<Tselectcontacts>(this);
    dialog->setContactsSelected(chosen_contacts);
    dialog->setContactAvailable(all_contacts);
    if (dialog->exec() == Tselectcontacts::mrOk)
        chosen_contacts = dialog->contactsSelected();
}

void Treportgen::QuenlarkStdButton2Click(QObject*) {
    if (!checkedFields().any()) {
        Ui().messageBox(this, QStringLiteral("At least one field required!"),
                        QStringLiteral("Please select at least one field to add to the report!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const QStringList contacts = ui_->crf_All->isChecked() ? all_contacts : chosen_contacts;
    const bool made =
        ui_->rt_HTML->isChecked() ? CreateHtmlReport(contacts) : CreateRichTextReport(contacts);
    if (made)
        done(mrOk);
}

void Treportgen::QuenlarkStdButton3Click(QObject*) {
    done(mrCancel);
}

void Treportgen::reject() {
    done(mrCancel);
}

bool Treportgen::CreateHtmlReport(const QStringList& contacts) {
    return createReport(contacts, ReportFormat::Html, kHtmlFilter, "html");
}

bool Treportgen::CreateRichTextReport(const QStringList& contacts) {
    return createReport(contacts, ReportFormat::RichText, kRichTextFilter, "rtf");
}

bool Treportgen::createReport(const QStringList& contacts, ReportFormat format, const char* filter,
                              const char* defaultExt) {
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

    // The index is not rebuilt while the dialog is open, so every handle names an entry.
    std::vector<ContactRecord> records;
    records.reserve(std::size_t(contacts.size()));
    for (const QString& handle : contacts)
        if (const ContactIndexEntry* entry = Engine().EntryFromHandle(handle.toStdString()))
            records.push_back(Engine().ReadContact(*entry));

    if (!SaveReportFile(request.fileName, format, records, checkedFields()))
        return false;

    if (ui_->wc_OpenReport->isChecked())
        ShellLaunch(QStringLiteral("open"), request.fileName);
    if (ui_->wc_PrintReport->isChecked())
        ShellLaunch(QStringLiteral("print"), request.fileName);
    return true;
}

void RunReportGenerator(QWidget* owner) {
    const auto dialog = std::make_unique<Treportgen>(owner);
    dialog->exec();
}

} // namespace quenlark
