// Reads vCard 2.1, 3.0 and 4.0 files one contact at a time.
#pragma once

#include "interchange/importedcontact.h"
#include "interchange/importerror.h"
#include "interchange/linereader.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quenlark {

// What the reader takes from a vCard:
// - name: the first non-empty FN; else N as "given additional family"; else ORG's first part;
// - nickname: the first NICKNAME; web site: the first URL (by PREF);
// - e-mail addresses: the first two EMAILs, preferred ones (TYPE=PREF, PREF=n) first;
// - mobile: the best TEL of TYPE CELL; phone: the best other voice TEL (no TYPE, or VOICE,
//   or any type but FAX, PAGER, MODEM, BBS, VIDEO, TEXT and TEXTPHONE), else a second CELL;
// - address: the preferred, else the first ADR: street (with the extended address and the
//   post office box after it), locality, postal code and country.
// Lines may be folded; vCard 2.1 values may be QUOTED-PRINTABLE with soft line breaks and
// name a CHARSET (UTF-8, US-ASCII, ISO-8859-1 and Windows-1252); line breaks in values
// become line feeds.
class VCardReader {
public:
    explicit VCardReader(LineReader& lines);

    // The next contact; false at the end of the file or on an error (see error()).
    bool next(ImportedContact& contact);
    const ImportError& error() const { return error_; }

    enum class Kind { Fn, N, Org, Nickname, Email, Tel, Adr, Url, Version, Agent, Other };
    struct Property {
        Kind kind = Kind::Other;
        std::vector<std::string> types; // upper case
        int pref = 101;                 // 1 is the most preferred; 101 for none
        bool quotedPrintable = false;
        bool base64 = false;
        bool uriValue = false;
        bool secondSlot = false;
        bool hasCharset = false;
        std::string charset;
        std::string value;
        std::size_t line = 0;

        bool hasType(std::string_view t) const;
    };

private:
    bool readLogicalLine();
    void fail(ImportFailure failure, std::string message);
    bool finishCard(ImportedContact& contact);
    bool skipNested(std::string_view name);

    LineReader& lines_;
    ImportError error_;
    std::string logical_;
    std::size_t logicalLine_ = 0;
    std::vector<Property> props_;
    std::size_t propCount_ = 0;
    std::string version_;
    std::size_t contacts_ = 0;
    ContactTexts texts_;
    bool done_ = false;
    bool pendingBegin_ = false; // BEGIN:VCARD of the next contact already read
};

} // namespace quenlark
