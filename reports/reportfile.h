// Writing a report file: complete or not at all.
#pragma once

#include "reports/reportfields.h"

#include <QString>
#include <span>

namespace quenlark {

struct ContactRecord;

// Writes the report of `contacts` (in their order) in `format` to `path`, replacing any
// file of that name only once the whole report is on the disk. False on any failure,
// silently; a file that was there before is then left as it was.
bool SaveReportFile(const QString& path, ReportFormat format,
                    std::span<const ContactRecord> contacts, const ReportFields& fields);

} // namespace quenlark
