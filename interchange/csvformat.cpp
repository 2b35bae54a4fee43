#include "interchange/csvformat.h"

namespace quenlark {

namespace {

const CsvColumn kAllColumns[] = {
    {"Name", ReportField::Name, nullptr},
    {"Nickname", ReportField::Nickname, nullptr},
    {"E-mail 1 - Type", ReportField::Email, "* Other"},
    {"E-mail 1 - Value", ReportField::Email, nullptr},
    {"E-mail 2 - Type", ReportField::SecondEmail, "Other"},
    {"E-mail 2 - Value", ReportField::SecondEmail, nullptr},
    {"Phone 1 - Type", ReportField::Phone, "Other"},
    {"Phone 1 - Value", ReportField::Phone, nullptr},
    {"Phone 2 - Type", ReportField::Mobile, "Mobile"},
    {"Phone 2 - Value", ReportField::Mobile, nullptr},
    // The address's label stands for all four address columns; its field is the address.
    {"Address 1 - Type", ReportField::Address, "Other"},
    {"Address 1 - Street", ReportField::Address, nullptr},
    {"Address 1 - City", ReportField::City, nullptr},
    {"Address 1 - Postal Code", ReportField::ZipCode, nullptr},
    {"Address 1 - Country", ReportField::Country, nullptr},
    {"Website 1 - Type", ReportField::WebSite, "Home Page"},
    {"Website 1 - Value", ReportField::WebSite, nullptr},
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetterOrDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool needsGuard(std::string_view v) {
    if (v.empty())
        return false;
    if (IsFormulaLead(v[0]))
        return !LooksLikePhoneNumber(v) && !LooksLikeEmailAddress(v);
    return v[0] == '\'' && v.size() > 1 && (IsFormulaLead(v[1]) || v[1] == '\'');
}

} // namespace

bool LooksLikePhoneNumber(std::string_view v) {
    bool digit = false;
    for (char c : v) {
        if (isDigit(c))
            digit = true;
        else if (c != ' ' && c != '+' && c != '-' && c != '(' && c != ')' && c != '.' && c != '/')
            return false;
    }
    return digit;
}

bool LooksLikeEmailAddress(std::string_view v) {
    const auto at = v.find('@');
    if (at == 0 || at == std::string_view::npos || v[0] == '=')
        return false;
    for (char c : v.substr(0, at))
        if (!isLetterOrDigit(c) && c != '.' && c != '_' && c != '%' && c != '+' && c != '-')
            return false;
    // The domain: labels of letters, digits and hyphens, at least two.
    const std::string_view domain = v.substr(at + 1);
    std::size_t labels = 0, length = 0;
    for (std::size_t i = 0; i <= domain.size(); ++i) {
        if (i == domain.size() || domain[i] == '.') {
            if (length == 0)
                return false;
            ++labels;
            length = 0;
        } else if (isLetterOrDigit(domain[i]) || domain[i] == '-') {
            ++length;
        } else {
            return false;
        }
    }
    return labels >= 2;
}

std::vector<CsvColumn> CsvExportColumns(const ReportFields& fields) {
    const bool anyAddress = fields.has(ReportField::Address) || fields.has(ReportField::City) ||
                            fields.has(ReportField::ZipCode) || fields.has(ReportField::Country);
    std::vector<CsvColumn> columns;
    for (const CsvColumn& c : kAllColumns) {
        const bool isAddressLabel = c.label && c.field == ReportField::Address;
        if (isAddressLabel ? anyAddress : fields.has(c.field))
            columns.push_back(c);
    }
    return columns;
}

void AppendCsvCell(std::string& out, std::string_view utf8, char delimiter) {
    const bool guard = needsGuard(utf8);
    bool quote = false;
    for (const char c : utf8)
        if (c == '"' || c == '\r' || c == '\n' || c == delimiter) {
            quote = true;
            break;
        }
    if (quote)
        out += '"';
    if (guard)
        out += '\'';
    if (quote) {
        for (char c : utf8) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    } else {
        out += utf8;
    }
}

void UnguardCsvCell(std::string& cell) {
    if (cell.size() >= 2 && cell[0] == '\'' && (IsFormulaLead(cell[1]) || cell[1] == '\''))
        cell.erase(0, 1);
}

} // namespace quenlark
