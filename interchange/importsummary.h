// The first pass of an import: what the file holds and what adding it would do, told to the
// person before anything is written; and the contacts the second pass adds.
#pragma once

#include "engine/result.h"
#include "interchange/contactreader.h"
#include "interchange/knowncontacts.h"

#include <functional>
#include <string>
#include <vector>

namespace quenlark {

struct ImportSummary {
    ImportFormat format = ImportFormat::Unknown;
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t contacts = 0;    // read from the file
    std::size_t adding = 0;      // what the second pass adds
    std::size_t skipped = 0;     // contacts with a problem or an unstorable value
    std::size_t withoutName = 0; // storable contacts without a name, skipped
    std::size_t inBook = 0;      // the same as one already in the book, skipped
    std::size_t repeated = 0;    // the same as one earlier in the file, skipped
    // Of the contacts added: those with a value cut to fit, those whose country is left out,
    // and what they held that is not stored.
    std::size_t withCuts = 0;
    std::size_t unknownCountry = 0;
    LeftOutCounts leftOut{};
    // A line for each contact with something to know, "Contact 3 (Ann Lee, line 17): ...",
    // UTF-8; at most the number asked for, the rest only counted.
    std::vector<std::string> details;
    std::size_t detailsLeftOut = 0;
};

// Hears how far the reading has come, now and then; false stops it.
using ImportProgress = std::function<bool(std::size_t contactsRead, std::uint64_t bytesRead)>;

struct SummaryOptions {
    std::size_t maxDetails = 200;
    ImportProgress progress;
    // The contacts already in the book; without it no contact counts as known.
    KnownContacts* known = nullptr;
};

// Reads every contact of `reader` and sums them up. A file that turns out not to be UTF-8 is
// read again from its start as Windows-1252 when that can make it whole. Returns the
// reader's error, or Failure::Cancelled when the progress stopped it.
Result SummarizeImport(ContactReader& reader, ImportSummary& summary,
                       const SummaryOptions& options = {});

// How the second pass reads the file: as the first pass found it.
ReadOptions SecondPassOptions(const ImportSummary& summary);

// The summary as the person reads it, in the window and on the command line alike: a
// sentence for each thing that matters, UTF-8. The first says how many contacts are added.
std::vector<std::string> SummaryText(const ImportSummary& summary);

// The next contact the second pass adds: one with a name, storable, and (with `known`) not
// one already in the book or earlier in the file. `known` must have forgotten the file's
// contacts of the first pass.
bool NextToAdd(ContactReader& reader, KnownContacts* known, ImportedContact& contact,
               ContactRecord& record);

} // namespace quenlark
