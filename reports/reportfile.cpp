#include "reports/reportfile.h"

#include "reports/htmlreport.h"
#include "reports/rtfreport.h"

#include <QSaveFile>

namespace quenlark {

bool SaveReportFile(const QString& path, ReportFormat format,
                    std::span<const ContactRecord> contacts, const ReportFields& fields) {
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool written = format == ReportFormat::Html ? WriteHtmlReport(file, contacts, fields)
                                                      : WriteRichTextReport(file, contacts, fields);
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace quenlark
