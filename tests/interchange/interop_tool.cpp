// Helper of the interoperability test (interop.py): writes sample contacts in every export
// format with what they hold as JSON, and prints what an import file reads as, as JSON.
//   interop_tool export DIR   writes DIR/contacts30.vcf, contacts40.vcf, contacts.csv and
//                             DIR/expected.json
//   interop_tool import FILE  prints the contacts of FILE
#include "engine/codepage.h"
#include "engine/contactrecord.h"
#include "interchange/contactreader.h"
#include "interchange/csvwriter.h"
#include "interchange/vcardwriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace quenlark;

namespace {

const char* const kKeys[kFieldCount] = {"name",  "email",  "email2",  "nickname", "website",
                                        "phone", "mobile", "address", "city",     "zip"};

std::string json(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::vector<ContactRecord> samples() {
    struct Sample {
        std::vector<std::string> texts;
        std::int32_t country;
    };
    const std::vector<Sample> list = {
        {{"Ann Marie Lee", "ann@example.com", "ann.lee@example.org", "Annie",
          "http://ann.example/a,b;c", "+64 4 555 0101", "+64 21 555 0101", "1 Main St",
          "Wellington", "6011"},
         146},
        {{"Z\xF6\xEB \x80 \x9C"
          "uvre, \"Jr\"; O'Hara\\B",
          "z@x.example", "", "Nick; Name, \\x", "", "=1+1", "-2", "Flat 2\n10 Long Road",
          "S\xE3o Paulo", "01000-000"},
         29},
        {{std::string(120, '\xE9') + " long", "", "only-second@example.com", "@handle", "", "", "",
          "", "", ""},
         0},
        {{"'Quoted", "", "", "\ttab", "", "'=x", "", "", "Town", ""}, 234},
        // An Outlook street: a CR LF between its lines; a web site with delimiters in it.
        {{"Cr Lf", "+49@example.com", "", "", "http://x.example/a;b,c\\d?e=100%25",
          "+49 89 1234567", "-1", "Flat 3\r\n9 Road", "Berlin", "10115"},
         76},
    };
    std::vector<ContactRecord> records;
    for (const Sample& s : list) {
        ContactRecord r;
        ClearContactRecord(r);
        for (std::size_t i = 0; i < s.texts.size(); ++i)
            r.setText(static_cast<Field>(i), s.texts[i]);
        r.setCountry(s.country);
        records.push_back(r);
    }
    return records;
}

int exportSamples(const std::filesystem::path& dir) {
    const auto records = samples();
    std::ofstream v3(dir / "contacts30.vcf", std::ios::binary);
    std::ofstream v4(dir / "contacts40.vcf", std::ios::binary);
    std::ofstream csv(dir / "contacts.csv", std::ios::binary);
    VCardWriter w3(v3, {VCardVersion::V3});
    VCardWriter w4(v4, {VCardVersion::V4});
    CsvWriter wc(csv);
    std::ofstream expected(dir / "expected.json", std::ios::binary);
    expected << "[\n";
    for (std::size_t k = 0; k < records.size(); ++k) {
        const ContactRecord& r = records[k];
        w3.write(r);
        w4.write(r);
        wc.write(r);
        expected << (k ? ",\n" : "") << "{";
        for (std::size_t i = 0; i < kFieldCount; ++i)
            expected << json(kKeys[i]) << ": " << json(Cp1252ToUtf8(r.text(Field(i)))) << ", ";
        const std::int32_t c = r.country();
        expected << "\"country\": "
                 << json(c >= 1 && c < kCountryCount ? kCountries[std::size_t(c)] : "") << "}";
    }
    expected << "\n]\n";
    return v3 && v4 && csv && expected ? 0 : 1;
}

int importFile(const std::filesystem::path& file) {
    ContactReader reader(file);
    ImportedContact c;
    std::cout << "{\"contacts\": [\n";
    bool first = true;
    while (reader.next(c)) {
        ContactRecord r;
        const bool filled = FillRecord(c, r);
        std::cout << (first ? "" : ",\n") << "{";
        first = false;
        for (std::size_t i = 0; i < kFieldCount; ++i)
            std::cout << json(kKeys[i]) << ": " << json(Cp1252ToUtf8(r.text(Field(i)))) << ", ";
        const std::int32_t country = r.country();
        std::cout << "\"country\": " << json(country > 0 ? kCountries[std::size_t(country)] : "")
                  << ", \"storable\": " << (filled ? "true" : "false")
                  << ", \"problem\": " << json(c.problem)
                  << ", \"leftOut\": " << json(ListLeftOut(c.leftOut)) << "}";
    }
    std::cout << "\n], \"error\": " << json(reader.error().message()) << "}\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 3 ? argv[1] : "";
    if (command == "export")
        return exportSamples(argv[2]);
    if (command == "import")
        return importFile(argv[2]);
    std::cerr << "usage: interop_tool export DIR | import FILE\n";
    return 2;
}
