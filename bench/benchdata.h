// Generated contacts for the benchmarks.
#pragma once

#include "engine/contactrecord.h"

#include <string>

namespace quenlark::bench {

// A contact with every field filled, different for each i.
inline ContactRecord SampleContact(std::size_t i) {
    static const char* const first[] = {"Ann", "Bob", "Cyd", "Dee", "Eve", "Fay", "Gus", "Hal"};
    static const char* const last[] = {"Lee", "Pan", "Smith", "Jones", "Zoë", "O'Hara", "Brown"};
    ContactRecord r;
    ClearContactRecord(r);
    const std::string n = std::to_string(i);
    r.setText(Field::Name, std::string(first[i % 8]) + " " + last[(i / 8) % 7] + " " + n);
    r.setText(Field::Email, "person" + n + "@example.com");
    r.setText(Field::SecondEmail, "other" + n + "@example.org");
    r.setText(Field::Nickname, "Nick " + n);
    r.setText(Field::WebSite, "http://www.example.com/" + n);
    r.setText(Field::Phone, "+64 4 555 " + n);
    r.setText(Field::Mobile, "+64 21 555 " + n);
    r.setText(Field::Address, n + " Lambton Quay");
    r.setText(Field::City, "Wellington");
    r.setText(Field::ZipCode, "6011");
    r.setCountry(std::int32_t(i % kCountryCount));
    return r;
}

// The bytes of a database file holding `count` sample contacts.
inline std::string SampleDatabase(std::size_t count) {
    const auto header = MakeHeader();
    std::string bytes(header.begin(), header.end());
    bytes.reserve(kHeaderSize + count * kRecordSize);
    for (std::size_t i = 0; i < count; ++i) {
        const ContactRecord r = SampleContact(i);
        bytes.append(r.bytes.data(), r.bytes.size());
    }
    return bytes;
}

} // namespace quenlark::bench
