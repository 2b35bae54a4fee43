// Files of chosen contacts, as reports and exports write them: the contacts are read from
// the book as the file is written, neighbours a block at a time, so a file of any size takes
// little memory.
#pragma once

#include "engine/reportfields.h"
#include "engine/result.h"
#include "tools/contactlistmodel.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace quenlark {

class AddressBookEngine;

// Hears how many of `total` contacts are written so far, now and then; false cancels.
using ContactsFileProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// How many of `contacts` name a contact of the engine's index (those the file holds).
std::int64_t CountFound(const AddressBookEngine& engine, const ContactSerials& contacts);

// Writes the contacts named by `contacts`, in their order, to `path` in `format`, with the
// fields `fields` chooses; a serial that names no contact of the index is left out. The file
// is replaced only once it is complete (see SaveReportFile); a cancel is Failure::Cancelled.
Result SaveContactsFile(const AddressBookEngine& engine, const ContactSerials& contacts,
                        const QString& path, ReportFormat format, const ReportFields& fields,
                        const ContactsFileProgress& progress = {});

} // namespace quenlark
