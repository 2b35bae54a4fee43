// What a report shows: the eleven fields of the report dialog's field list, and the
// two report formats.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <string>

namespace quenlark {

struct ContactRecord;

// The items of the report dialog's field list, by index.
enum class ReportField {
    Name,
    Email,
    SecondEmail,
    Nickname,
    WebSite,
    Phone,
    Mobile,
    Address,
    City,
    ZipCode,
    Country,
};
inline constexpr std::size_t kReportFieldCount = 11;

// The item texts of the report dialog's field list, in index order.
inline constexpr std::array<const char*, kReportFieldCount> kReportFieldItems{{
    "Name",
    "E-Mail Address",
    "Seccond E-Mail Address",
    "Nickname",
    "Website",
    "Phone",
    "Mobile",
    "Address",
    "City",
    "Zip code",
    "Country",
}};

// The chosen fields: bit i is the check state of item i of the field list.
struct ReportFields {
    std::bitset<kReportFieldCount> chosen;

    static ReportFields All() { return ReportFields{std::bitset<kReportFieldCount>().set()}; }
    bool has(ReportField field) const { return chosen.test(static_cast<std::size_t>(field)); }
    void set(ReportField field, bool on = true) { chosen.set(static_cast<std::size_t>(field), on); }
    bool any() const { return chosen.any(); }
};

// The formats a report can be written in: the two documents, and the two forms contacts
// travel in to other address books.
enum class ReportFormat { Html, RichText, VCard3, VCard4, Csv };

// A field's value as a report shows it, in Windows-1252 bytes: the record's text as
// stored, or for the country the name of the stored index (empty outside the list).
std::string ReportFieldValue(const ContactRecord& record, ReportField field);

} // namespace quenlark
