// The report generator: report type, which contacts, which fields, and whether the
// finished file is opened and printed.
#pragma once

#include "reports/reportfields.h"
#include "ui_report.h"

#include <QDialog>
#include <QStringList>
#include <memory>

namespace quenlark {

class Treportgen : public QDialog {
    Q_OBJECT
public:
    // Modal results: mrOk once a report is written, mrCancel otherwise.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit Treportgen(QWidget* parent = nullptr);
    ~Treportgen() override;

    // rt_HTML, rt_RichText, crf_All, crf_Selected, wc_OpenReport, wc_PrintReport,
    // inc_fields, QuenlarkStdButton1 (Select contacts), QuenlarkStdButton2 (Create report),
    // QuenlarkStdButton3 (Cancel).
    Ui::reportgen* ui() const { return ui_.get(); }

    // Handles of the whole contact index in file order, taken at creation.
    QStringList all_contacts;
    // Handles chosen by the latest OK of the contact selection dialog.
    QStringList chosen_contacts;

    // The fields whose items of inc_fields are checked.
    ReportFields checkedFields() const;

    // Select contacts: runs the contact selection dialog; its OK replaces chosen_contacts.
    void QuenlarkStdButton1Click(QObject* Sender);
    // Create report: writes the report and closes the dialog, or leaves it open.
    void QuenlarkStdButton2Click(QObject* Sender);
    // Cancel: ends the dialog with mrCancel.
    void QuenlarkStdButton3Click(QObject* Sender);

    // Each asks for a file, writes the report of `contacts` (in their order) there, then
    // opens and prints it as the check boxes say. False when the file dialog was
    // cancelled or the file could not be written; nothing is shown then.
    bool CreateHtmlReport(const QStringList& contacts);
    bool CreateRichTextReport(const QStringList& contacts);

    // Closing the window any other way ends it with mrCancel.
    void reject() override;

private:
    bool createReport(const QStringList& contacts, ReportFormat format, const char* filter,
                      const char* defaultExt);

    std::unique_ptr<Ui::reportgen> ui_;
};

// The report generator while it exists.
extern Treportgen* reportgen;

// Creates the report generator owned by `owner`, shows it modally and destroys it when it
// closes. The main window's Report button runs this.
void RunReportGenerator(QWidget* owner);

} // namespace quenlark
