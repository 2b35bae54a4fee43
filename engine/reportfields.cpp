#include "engine/reportfields.h"

#include "engine/contactrecord.h"

namespace quenlark {

std::string ReportFieldValue(const ContactRecord& record, ReportField field) {
    if (field == ReportField::Country) {
        const std::int32_t country = record.country();
        return country >= 0 && country < kCountryCount ? kCountries[std::size_t(country)] : "";
    }
    // The first ten items are the record's text fields, in the same order.
    return record.text(static_cast<Field>(static_cast<int>(field)));
}

} // namespace quenlark
