#include "forms/contactimport.h"

#include "forms/bookmessages.h"
#include "forms/importscan.h"
#include "interchange/importsummary.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"
#include "tools/busyindicator.h"

#include <QEventLoop>
#include <QFile>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace quenlark {

namespace {

constexpr char kTitle[] = "Import contacts";
// A first pass shorter than this shows no progress.
constexpr int kShowProgressAfterMs = 400;
constexpr int kProgressSteps = 1000;

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// What the summary says, one paragraph per thing that matters, and the question.
QString summaryText(const ImportSummary& summary) {
    QStringList paragraphs;
    for (const std::string& sentence : SummaryText(summary))
        paragraphs << utf8(sentence);
    if (!summary.details.empty())
        paragraphs << QStringLiteral("The details list each contact concerned.");
    paragraphs << QStringLiteral("Do you want to add the contacts?");
    return paragraphs.join(QStringLiteral("\n\n"));
}

QString detailsText(const ImportSummary& summary) {
    QStringList lines;
    for (const std::string& line : summary.details)
        lines << utf8(line);
    if (summary.detailsLeftOut)
        lines << QStringLiteral("... and %1 more.").arg(summary.detailsLeftOut);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ContactImport::ContactImport(QWidget* window, AddressBook& book)
    : QObject(window), window_(window), book_(book) {}

void ContactImport::run() {
    FileDialogOptions options;
    options.owner = window_;
    options.title = QStringLiteral("Please select a vCard or CSV file to import...");
    options.filters = {{QStringLiteral("Contact files"), QStringLiteral("*.vcf; *.vcard; *.csv")},
                       {QStringLiteral("All files"), QStringLiteral("*")}};
    options.flags = kDialogFileMustExist;
    if (const std::optional<QString> path = Ui().openFileName(options))
        importFile(*path);
}

void ContactImport::scan(ImportScan& scan) {
    // The window keeps painting while the file is read; a short read shows nothing and takes
    // no input, a longer one shows its progress with Cancel, modal to the window, so that the
    // book cannot change under it.
    QEventLoop wait;
    connect(&scan, &ImportScan::finished, &wait, &QEventLoop::quit);
    QTimer::singleShot(kShowProgressAfterMs, &wait, &QEventLoop::quit);
    scan.start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (scan.isFinished())
        return;

    QProgressDialog progress(QStringLiteral("Reading the contacts..."), QStringLiteral("Cancel"), 0,
                             kProgressSteps, window_);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QString::fromLatin1(kTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    connect(&scan, &ImportScan::progress, &progress, [&progress](qint64 done, qint64 total) {
        if (total > 0)
            progress.setValue(int(std::min<qint64>(kProgressSteps, done * kProgressSteps / total)));
    });
    connect(&progress, &QProgressDialog::canceled, &scan, &ImportScan::cancel);
    progress.show();
    if (!scan.isFinished())
        wait.exec();
}

void ContactImport::importFile(const QString& path) {
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    // First pass: nothing is written before the person has seen what will happen.
    std::vector<std::int64_t> offsets;
    offsets.reserve(book_.engine().index().size());
    for (const ContactIndexEntry& entry : book_.engine().index())
        offsets.push_back(entry.offset);
    ImportScan first(file, book_.engine().StreamContacts(std::move(offsets)));
    scan(first);
    const Result& error = first.result();
    const ImportSummary& summary = first.summary();
    if (error.failure() == Failure::Cancelled)
        return;
    if (!error) {
        Ui().messageBox(window_, QString::fromLatin1(kTitle),
                        QStringLiteral("The contacts of \"%1\" cannot be imported.\n\n%2")
                            .arg(path, utf8(error.message())),
                        MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (summary.adding == 0) {
        QStringList paragraphs;
        paragraphs << (summary.contacts == 1
                           ? QStringLiteral("The contact in \"%1\" cannot be added.").arg(path)
                           : QStringLiteral("None of the %1 contacts in \"%2\" can be added.")
                                 .arg(summary.contacts)
                                 .arg(path));
        const std::vector<std::string> sentences = SummaryText(summary);
        for (std::size_t i = 1; i < sentences.size(); ++i)
            paragraphs << utf8(sentences[i]);
        Ui().messageBox(window_, QString::fromLatin1(kTitle),
                        paragraphs.join(QStringLiteral("\n\n")), MsgIcon::Information,
                        MsgButtons::Ok, detailsText(summary));
        return;
    }
    if (Ui().messageBox(window_, QString::fromLatin1(kTitle), summaryText(summary),
                        MsgIcon::Question, MsgButtons::YesNo,
                        detailsText(summary)) != MsgResult::Yes)
        return;

    // Second pass: the contacts, as one change.
    const std::size_t adding = summary.adding;
    const AddressBook::PendingReload refresh(book_);
    Result added;
    bool readFailed = false;
    {
        BusyIndicator busy(window_, QStringLiteral("Adding the contacts..."), qint64(adding), true);
        KnownContacts& known = first.known();
        known.forgetFile();
        ContactReader reader(file, SecondPassOptions(summary));
        ImportedContact contact;
        added = book_.importContacts(
            [&](ContactRecord& record) {
                if (NextToAdd(reader, &known, contact, record))
                    return true;
                readFailed = !reader.error();
                return false;
            },
            // A file changed since the first pass undoes the import, as a cancel does.
            [&](std::int64_t done) { return !readFailed && busy.advance(done); });
    }
    if (added) {
        Ui().messageBox(
            window_, QString::fromLatin1(kTitle),
            adding == 1 ? QStringLiteral("1 contact was added to the address book.")
                        : QStringLiteral("%1 contacts were added to the address book.").arg(adding),
            MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    if (added.failure() == Failure::Cancelled && !readFailed)
        return; // the person stopped it: nothing was added
    TellWriteFailed(window_, added, QString::fromLatin1(kTitle),
                    readFailed ? QStringLiteral("\"%1\" changed while it was read; no contact "
                                                "was added.")
                                     .arg(path)
                               : QStringLiteral("The contacts could not be added; the address "
                                                "book is as it was."));
}

} // namespace quenlark
