#include "forms/contactimport.h"

#include "forms/bookmessages.h"
#include "interchange/contactreader.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"
#include "tools/busyindicator.h"

#include <QFile>
#include <QStringList>
#include <QWidget>

namespace quenlark {

namespace {

constexpr char kTitle[] = "Import contacts";

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// What the summary says, one paragraph per thing that matters.
QString summaryText(const ImportSummary& summary, std::size_t adding) {
    QStringList lines;
    lines << QStringLiteral("%1 of the %2 contacts in the file will be added to the end of the "
                            "address book.")
                 .arg(adding)
                 .arg(summary.contacts);
    if (summary.withCuts)
        lines << QStringLiteral("%1 of them have values longer than their fields; those values "
                                "will be cut to fit.")
                     .arg(summary.withCuts);
    if (summary.unknownCountry)
        lines << QStringLiteral("%1 of them name a country that is not in the country list; "
                                "their country is left empty.")
                     .arg(summary.unknownCountry);
    if (summary.skipped)
        lines << QStringLiteral("%1 contacts hold characters the address book cannot store, or "
                                "could not be read whole; they will be skipped.")
                     .arg(summary.skipped);
    if (summary.withoutName)
        lines << QStringLiteral("%1 contacts have no name; they will be skipped.")
                     .arg(summary.withoutName);
    lines << QStringLiteral("The details list each of them.  Do you want to add the contacts?");
    return lines.join(QStringLiteral("\n\n"));
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

void ContactImport::importFile(const QString& path) {
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    // First pass: nothing is written before the person has seen what will happen.
    ImportSummary summary;
    ImportError error;
    {
        BusyIndicator busy(window_, QStringLiteral("Reading the contacts..."), 0, true);
        ContactReader reader(file);
        error = SummarizeImport(reader, summary, 200,
                                [&](std::size_t read) { return busy.advance(qint64(read)); });
    }
    if (error.failure == ImportFailure::Cancelled)
        return;
    if (error.failed()) {
        Ui().messageBox(window_, QString::fromLatin1(kTitle),
                        QStringLiteral("The contacts of \"%1\" cannot be imported.\n\n%2")
                            .arg(path, utf8(error.message)),
                        MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    const std::size_t adding = summary.storable - summary.withoutName;
    if (adding == 0) {
        Ui().messageBox(window_, QString::fromLatin1(kTitle),
                        QStringLiteral("None of the %1 contacts in \"%2\" can be added.")
                            .arg(summary.contacts)
                            .arg(path),
                        MsgIcon::Information, MsgButtons::Ok, detailsText(summary));
        return;
    }
    if (Ui().messageBox(window_, QString::fromLatin1(kTitle), summaryText(summary, adding),
                        MsgIcon::Question, MsgButtons::YesNo,
                        detailsText(summary)) != MsgResult::Yes)
        return;

    // Second pass: the contacts, as one change.
    const AddressBook::PendingReload refresh(book_);
    Result added;
    bool readFailed = false;
    {
        BusyIndicator busy(window_, QStringLiteral("Adding the contacts..."), qint64(adding), true);
        ContactReader reader(file);
        ImportedContact contact;
        added = book_.importContacts(
            [&](ContactRecord& record) {
                while (reader.next(contact))
                    if (contact.hasName() && FillRecord(contact, record))
                        return true;
                readFailed = reader.error().failed();
                return false;
            },
            // A file changed since the first pass undoes the import, as a cancel does.
            [&](std::int64_t done) { return !readFailed && busy.advance(done); });
    }
    if (added) {
        Ui().messageBox(window_, QString::fromLatin1(kTitle),
                        QStringLiteral("%1 contacts were added to the address book.").arg(adding),
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
