// Reads vCard 2.1, 3.0 and 4.0 files one contact at a time.
#pragma once

#include "engine/result.h"
#include "interchange/importedcontact.h"
#include "interchange/linereader.h"

#include <cstddef>
#include <string>
#include <string_view>
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
// Everything else with a value is counted as left out (ImportedContact::leftOut): further
// e-mail addresses, phones, addresses and web sites, faxes, the region, ORG beside a name,
// BDAY, NOTE, CATEGORIES, PHOTO, X- and other properties; the properties that only describe
// the vCard itself (VERSION, PRODID, REV, UID, ...) are not.
// Lines may be folded and of any length (a value longer than kMaxValueBytes is left out);
// vCard 2.1 values may be QUOTED-PRINTABLE with soft line breaks and name a CHARSET (UTF-8,
// US-ASCII, ISO-8859-1 and Windows-1252); a value that names none is UTF-8, or Windows-1252
// in a file read as such. Line breaks in values become line feeds.
class VCardReader {
public:
    // `sizeHint`: the bytes the line reader will give in all, when known (else 0).
    VCardReader(LineReader& lines, bool windows1252, std::uint64_t sizeHint = 0);

    // The next contact; false at the end of the file or on an error (see error()).
    bool next(ImportedContact& contact);
    const Result& error() const { return error_; }
    // True when the error is a value that is not UTF-8 in a file that has shown no UTF-8
    // text before it: read as Windows-1252, the file may well be whole.
    bool wantsWindows1252() const { return wantsWindows1252_; }

    enum class Kind {
        Fn,
        N,
        Org,
        Nickname,
        Email,
        Tel,
        Adr,
        Url,
        Categories,
        Version,
        Agent,
        Other
    };
    // Telephone types that matter; the others are not kept.
    enum TelType : unsigned {
        kCell = 1,
        kVoice = 2,
        kFax = 4,
        kNotVoice = 8, // PAGER, MODEM, BBS, VIDEO, TEXT, TEXTPHONE
    };
    // What a content line is to the reader: a vCard's begin or end, a property it keeps, or
    // another.
    enum class LineKind { Begin, End, Kept, Other };
    // The parts of a content line "group.NAME;PARAM=a,b;PARAM:value".
    struct ContentLine {
        std::string_view name;
        std::string_view value;
        LineKind lineKind = LineKind::Other;
        Kind kind = Kind::Other;
    };
    struct Property {
        Kind kind = Kind::Other;
        unsigned types = 0; // TelType bits
        int pref = 101;     // 1 is the most preferred; 101 for none
        bool quotedPrintable = false;
        bool base64 = false;
        bool uriValue = false;
        bool secondSlot = false;
        bool hasCharset = false;
        std::string charset;
        std::string line; // the whole logical line; the value starts at valueAt
        std::size_t valueAt = 0;
        std::size_t lineNumber = 0;
    };

private:
    // What readLogicalLine found.
    struct Logical {
        bool kept = false;     // a line the reader uses: logical_ holds it
        bool oversize = false; // longer than kMaxValueBytes: not held
        bool empty = false;    // a line not kept whose value is empty
        std::string name;      // the property's name in capitals, for a line not kept
        // A kept line whose name and parameters were read from its first piece: head_
        // holds them, and where its name and value lie in logical_.
        bool headParsed = false;
        std::size_t nameAt = 0;
        std::size_t nameSize = 0;
        std::size_t valueAt = 0;
        LineKind lineKind = LineKind::Other;
        Kind kind = Kind::Other;
    };

    bool readLogicalLine();
    // The logical line's parts, and the property's parameters when `p` is given; false for a
    // line that is no property.
    bool takeContentLine(ContentLine& line, Property* p) const;
    void fail(Failure failure, std::string message);
    bool finishCard(ImportedContact& contact);
    bool skipNested(std::string_view name);
    bool decode(Property& p, bool split, ImportedContact& contact);
    void releaseLargeBuffers();

    LineReader& lines_;
    bool windows1252_;
    std::uint64_t sizeHint_;
    bool v21_ = false;
    bool sawUtf8_ = false;
    bool wantsWindows1252_ = false;
    Result error_;
    std::string logical_;
    Logical current_;
    Property head_; // the parameters of the line read last
    std::size_t logicalLine_ = 0;
    std::vector<Property> props_;
    std::size_t propCount_ = 0;
    std::vector<Property*> order_; // the properties in order of preference
    std::size_t contacts_ = 0;
    ContactTexts texts_;
    std::string converted_;
    std::vector<std::string_view> parts_;
    // Texts made of several values: the name from N, the street with its extras; the web site.
    std::string joinedName_;
    std::string joinedStreet_;
    std::string webSite_;
    bool done_ = false;
    bool pendingBegin_ = false; // BEGIN:VCARD of the next contact already read
};

} // namespace quenlark
