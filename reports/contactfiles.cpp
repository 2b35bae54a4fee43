// The vCard and CSV formats as report formats: the same fields and contacts as the
// documents, written by the interchange writers; and the files of chosen contacts.
#include "reports/contactfiles.h"

#include "engine/addressbookengine.h"
#include "engine/contactrecord.h"
#include "interchange/csvwriter.h"
#include "interchange/vcardwriter.h"
#include "reports/reportcomposer.h"
#include "reports/reportfile.h"

#include <sstream>
#include <vector>

namespace quenlark {

namespace {

// Collects what a stream writer writes and hands it on in the composer's buffer.
class StreamComposer : public ReportComposer {
public:
    void head(std::string& out) override { take(out); }
    void tail(std::string& out) override { take(out); }

protected:
    void take(std::string& out) {
        out += stream_.view();
        stream_.str({});
    }
    std::ostringstream stream_;
};

class VCardComposer : public StreamComposer {
public:
    VCardComposer(VCardVersion version, const ReportFields& fields)
        : writer_(stream_, {version, fields}) {}
    void contact(std::string& out, const ContactRecord& record) override {
        writer_.write(record);
        take(out);
    }

private:
    VCardWriter writer_;
};

class CsvComposer : public StreamComposer {
public:
    explicit CsvComposer(const ReportFields& fields) : writer_(stream_, {fields, true}) {}
    void contact(std::string& out, const ContactRecord& record) override {
        writer_.write(record);
        take(out);
    }

private:
    CsvWriter writer_; // writes its header row when it is made
};

} // namespace

std::unique_ptr<ReportComposer> MakeVCardComposer(bool version4, const ReportFields& fields) {
    return std::make_unique<VCardComposer>(version4 ? VCardVersion::V4 : VCardVersion::V3, fields);
}

std::unique_ptr<ReportComposer> MakeCsvComposer(const ReportFields& fields) {
    return std::make_unique<CsvComposer>(fields);
}

std::int64_t CountFound(const AddressBookEngine& engine, const ContactSerials& contacts) {
    std::int64_t found = 0;
    for (const quint64 serial : contacts)
        found += engine.EntryFromSerial(serial) ? 1 : 0;
    return found;
}

Result SaveContactsFile(const AddressBookEngine& engine, const ContactSerials& contacts,
                        const QString& path, ReportFormat format, const ReportFields& fields,
                        const ContactsFileProgress& progress) {
    std::vector<std::int64_t> offsets;
    offsets.reserve(std::size_t(contacts.size()));
    for (const quint64 serial : contacts)
        if (const ContactIndexEntry* entry = engine.EntryFromSerial(serial))
            offsets.push_back(entry->offset);
    const auto total = std::int64_t(offsets.size());
    AddressBookEngine::RecordStream records = engine.StreamContacts(std::move(offsets));
    return SaveReportFile(
        path, format, [&](ContactRecord& record) { return records.next(record); }, fields,
        [&](std::int64_t done) { return !progress || progress(done, total); });
}

} // namespace quenlark
