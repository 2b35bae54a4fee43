// Contacts and reading helpers shared by the interchange tests.
#pragma once

#include "engine/contactrecord.h"
#include "interchange/contactreader.h"
#include "interchange/importsummary.h"

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

// Every contact of `text`, and the reader's error at the end. A file that turns out not to be
// UTF-8 is read again as Windows-1252, as the import does.
struct ReadResult {
    std::vector<ImportedContact> contacts;
    Result error;
    ImportFormat format = ImportFormat::Unknown;
    TextEncoding encoding = TextEncoding::Utf8;
};

inline ReadResult ReadAll(const std::string& text, ReadOptions options = {}) {
    std::istringstream in(text);
    ContactReader reader(in, options);
    ReadResult result;
    ImportedContact c;
    for (;;) {
        while (reader.next(c))
            result.contacts.push_back(c);
        if (!reader.canReadAsWindows1252() || !reader.restartAsWindows1252())
            break;
        result.contacts.clear();
    }
    result.error = reader.error();
    result.format = reader.format();
    result.encoding = reader.encoding();
    return result;
}

// The one contact `text` holds; fails the test when it is not exactly one.
#define READ_ONE(text, contact)                                                                    \
    const ReadResult read_one_##contact = ReadAll(text);                                           \
    ASSERT_TRUE(read_one_##contact.error.ok()) << read_one_##contact.error.message();              \
    ASSERT_EQ(read_one_##contact.contacts.size(), 1u);                                             \
    const ImportedContact& contact = read_one_##contact.contacts[0]

} // namespace quenlark::test
