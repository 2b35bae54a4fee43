#include "reports/reportfields.h"

#include "engine/contactrecord.h"
#include "platform/storedtext.h"
#include "tools/commontools.h"

namespace quenlark {

std::string ReportFieldValue(const ContactRecord& record, ReportField field) {
    if (field == ReportField::Country)
        return ToStored(CountryName(record.country())).value_or(std::string());
    // The first ten items are the record's text fields, in the same order.
    return record.text(static_cast<Field>(static_cast<int>(field)));
}

} // namespace quenlark
