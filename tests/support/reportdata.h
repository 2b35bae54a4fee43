// Contacts and field choices for the report tests.
#pragma once

#include "engine/contactrecord.h"
#include "engine/reportfields.h"

#include <initializer_list>
#include <utility>

namespace quenlark::test {

// A record with a name, the given other fields and a country index.
inline ContactRecord ReportContact(const char* name,
                                   std::initializer_list<std::pair<Field, const char*>> more = {},
                                   int country = 0) {
    ContactRecord record;
    record.setText(Field::Name, name);
    for (const auto& [field, text] : more)
        record.setText(field, text);
    record.setCountry(country);
    return record;
}

// Only the given fields chosen.
inline ReportFields OnlyFields(std::initializer_list<ReportField> chosen) {
    ReportFields fields;
    for (const ReportField f : chosen)
        fields.set(f);
    return fields;
}

} // namespace quenlark::test
