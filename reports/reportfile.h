// Writing a report file: complete or not at all, in blocks, so a report of any size takes
// little memory.
#pragma once

#include "engine/reportfields.h"
#include "engine/result.h"

#include <QString>
#include <functional>
#include <span>

namespace quenlark {

struct ContactRecord;

// Gives the next contact of a report; false after the last.
using ReportSource = std::function<bool(ContactRecord& record)>;
// Hears how many contacts are written so far, now and then; false cancels the report.
using ReportProgress = std::function<bool(std::int64_t done)>;

// Writes the report of the contacts `next` gives, in `format`, to `path`, replacing any
// file of that name only once the whole report is on the disk (a symbolic link is followed
// and kept; a new file is readable by its owner only). A failure or a cancel leaves a file
// that was there before as it was.
Result SaveReportFile(const QString& path, ReportFormat format, const ReportSource& next,
                      const ReportFields& fields, const ReportProgress& progress = {});

// The same for contacts already in memory; false on any failure.
bool SaveReportFile(const QString& path, ReportFormat format,
                    std::span<const ContactRecord> contacts, const ReportFields& fields);

} // namespace quenlark
