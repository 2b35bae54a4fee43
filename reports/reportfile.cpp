#include "reports/reportfile.h"

#include "engine/atomicfile.h"
#include "engine/contactrecord.h"
#include "reports/reportcomposer.h"

#include <QFile>

namespace quenlark {

namespace {

// What is gathered before it is written to the file.
constexpr std::size_t kWriteBlock = 1 << 20;
// Contacts between two progress reports.
constexpr std::int64_t kProgressStep = 1000;

} // namespace

std::unique_ptr<ReportComposer> MakeComposer(ReportFormat format, const ReportFields& fields) {
    switch (format) {
    case ReportFormat::Html:
        return MakeHtmlComposer(fields);
    case ReportFormat::RichText:
        return MakeRichTextComposer(fields);
    case ReportFormat::VCard3:
    case ReportFormat::VCard4:
        return MakeVCardComposer(format == ReportFormat::VCard4, fields);
    case ReportFormat::Csv:
        return MakeCsvComposer(fields);
    }
    return nullptr;
}

Result SaveReportFile(const QString& path, ReportFormat format, const ReportSource& next,
                      const ReportFields& fields, const ReportProgress& progress) {
    AtomicFileWriter file;
    if (Result opened = file.open(QFile::encodeName(path).toStdString()); !opened)
        return opened;
    const std::unique_ptr<ReportComposer> composer = MakeComposer(format, fields);
    std::string buffer;
    buffer.reserve(kWriteBlock + 64 * 1024);
    composer->head(buffer);
    ContactRecord record;
    for (std::int64_t done = 0; next(record);) {
        composer->contact(buffer, record);
        if (buffer.size() >= kWriteBlock) {
            if (Result written = file.write(buffer.data(), buffer.size()); !written)
                return written;
            buffer.clear();
        }
        if (++done % kProgressStep == 0 && progress && !progress(done))
            return Result::Fail(Failure::Cancelled, "The report was cancelled");
    }
    composer->tail(buffer);
    if (Result written = file.write(buffer.data(), buffer.size()); !written)
        return written;
    return file.commit();
}

bool SaveReportFile(const QString& path, ReportFormat format,
                    std::span<const ContactRecord> contacts, const ReportFields& fields) {
    std::size_t at = 0;
    return bool(SaveReportFile(
        path, format,
        [&](ContactRecord& record) {
            if (at == contacts.size())
                return false;
            record = contacts[at++];
            return true;
        },
        fields));
}

} // namespace quenlark
