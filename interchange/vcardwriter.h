// Writes contacts as vCards, one at a time, to a stream.
#pragma once

#include "engine/contactrecord.h"
#include "engine/reportfields.h"

#include <ostream>
#include <string>
#include <string_view>

namespace quenlark {

enum class VCardVersion {
    V3, // RFC 2426, the default: read by nearly every address book
    V4, // RFC 6350
};

struct VCardOptions {
    VCardVersion version = VCardVersion::V3;
    // The fields written, as the report dialog chooses them; empty values are never written.
    ReportFields fields = ReportFields::All();
};

// The parameter that marks a second e-mail address written without a first one, so that it
// reads back into the second field.
inline constexpr char kSecondEmailParameter[] = "X-QUENLARK-SLOT=2";

// Writes one vCard per contact: UTF-8, CRLF line ends, lines folded at 75 octets.
//
// FN and N carry the name (N splits it at its last blank into given and family name), then
// NICKNAME, EMAIL for each e-mail address, TEL for the phone (VOICE) and the mobile (CELL)
// number, ADR with street, city, postal code and the country's name, and URL. FN is always
// written, empty when the name is empty or not chosen, as both versions require it. Every
// line break in a value (LF, CR LF or a lone CR) is written as "\n". URL is a URI value,
// written without text escapes (AppendUriValue). A country index outside 1 to 234 writes no
// country.
class VCardWriter {
public:
    explicit VCardWriter(std::ostream& out, VCardOptions options = {});

    // Writes the contact's vCard. Whether it reached the stream is the stream's state.
    void write(const ContactRecord& contact);
    // The same from a record's bytes as the file holds them (kRecordSize of them).
    void writeStored(const char* record);

private:
    void addProperty(std::string_view nameAndParameters, std::string_view value);

    std::ostream& out_;
    VCardOptions options_;
    std::string card_;
    std::string line_;
    std::string value_;
    std::string texts_[kReportFieldCount]; // fields converted to UTF-8
};

// The vCard of one contact as text.
std::string ToVCard(const ContactRecord& contact, VCardOptions options = {});

// Escapes text for a vCard value: backslash, comma, semicolon, and line breaks as "\n".
void AppendVCardEscaped(std::string& out, std::string_view utf8);

} // namespace quenlark
