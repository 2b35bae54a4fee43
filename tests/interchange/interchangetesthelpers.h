// Contacts and reading helpers shared by the interchange tests.
#pragma once

#include "engine/contactrecord.h"
#include "interchange/contactreader.h"

#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace quenlark::test {

// A record with the given Windows-1252 texts in field order (missing ones empty).
inline ContactRecord MakeRecord(std::initializer_list<std::string> texts,
                                std::int32_t country = 0) {
    ContactRecord r;
    ClearContactRecord(r);
    std::size_t i = 0;
    for (const std::string& t : texts)
        r.setText(static_cast<Field>(i++), t);
    r.setCountry(country);
    return r;
}

// Every contact of `text`, and the reader's error at the end.
struct ReadResult {
    std::vector<ImportedContact> contacts;
    ImportError error;
    ImportFormat format = ImportFormat::Unknown;
};

inline ReadResult ReadAll(const std::string& text, std::uint64_t maxBytes = kMaxImportBytes) {
    std::istringstream in(text);
    ContactReader reader(in, maxBytes);
    ReadResult result;
    ImportedContact c;
    while (reader.next(c))
        result.contacts.push_back(c);
    result.error = reader.error();
    result.format = reader.format();
    return result;
}

// The one contact `text` holds; fails the test when it is not exactly one.
#define READ_ONE(text, contact)                                                                    \
    const ReadResult read_one_##contact = ReadAll(text);                                           \
    ASSERT_FALSE(read_one_##contact.error.failed()) << read_one_##contact.error.message;           \
    ASSERT_EQ(read_one_##contact.contacts.size(), 1u);                                             \
    const ImportedContact& contact = read_one_##contact.contacts[0]

} // namespace quenlark::test
