// One vCard kept exactly as it was written, so that a program which shows only part of it
// can change that part and give the rest back unchanged: every property keeps its group, its
// parameters, its value and the very lines it was written on (folding and line ends
// included). The book's fields are read with the importer's own rules (ContactReader), and
// writing them back replaces only the properties that held the fields that changed.
#pragma once

#include "engine/contactrecord.h"
#include "engine/result.h"
#include "interchange/importedcontact.h"
#include "interchange/vcardwriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

struct VCardProperty {
    std::string raw;        // the lines as written, line ends included
    std::string group;      // "item1" in "item1.EMAIL", else ""
    std::string name;       // in capitals; "" for a line that is no property (a blank line)
    std::string parameters; // as written, from the first ';' on ("" for none)
    std::string value;      // unfolded, still escaped (and encoded)
    bool nested = false;    // inside a vCard within the vCard (a vCard 2.1 AGENT), or BEGIN/END
    bool changed = false;   // `raw` is written again from the parts
    bool removed = false;
};

class VCardDocument {
public:
    // Parses one vCard. Failure::Malformed when the text is not exactly one vCard.
    static Result Parse(std::string_view text, VCardDocument& out);
    // A new vCard of a contact: the export's vCard with a UID and a REV.
    static VCardDocument Create(const ContactRecord& record, VCardVersion version,
                                std::string_view uid);

    // The contact as the importer reads it (the book's fields, what they cannot store).
    Result read(ImportedContact& contact) const;

    // Writes the fields that differ between `before` (what this vCard held, as read) and
    // `after` into the properties that hold them, adding or removing properties where a field
    // was or becomes empty, and sets REV. Every other property stays as it was written.
    void update(const ContactRecord& before, const ContactRecord& after);

    // Replaces the UID (or adds one).
    void setUid(std::string_view uid);
    std::string uid() const;
    // The value of REV as written, or "".
    std::string rev() const;
    VCardVersion version() const;
    bool isVersion21() const { return v21_; }

    std::string text() const;
    const std::vector<VCardProperty>& properties() const { return props_; }

private:
    VCardProperty* first(std::string_view name);
    const VCardProperty* first(std::string_view name) const;
    void set(VCardProperty& p, const std::string& value);
    void add(std::string_view name, std::string_view parameters, const std::string& value);
    // Escapes text for a value of this vCard's version.
    std::string escaped(std::string_view utf8) const;
    void updateName(const std::string& name);
    void updateSingle(std::string_view property, const std::string& before,
                      const std::string& after, Field field);
    void updateEmails(const ContactRecord& before, const ContactRecord& after);
    void updatePhones(const ContactRecord& before, const ContactRecord& after);
    void updateAddress(const ContactRecord& before, const ContactRecord& after);

    std::vector<VCardProperty> props_;
    std::string lineEnd_ = "\r\n";
    bool v21_ = false;
    bool v4_ = false;
};

// The text of one vCard property value, decoded (quoted-printable, character set, escapes)
// into UTF-8 and split at unescaped semicolons when `split`; false when it cannot be decoded.
bool DecodeVCardValue(const VCardProperty& p, bool v21, bool split,
                      std::vector<std::string>& parts);

// A fresh random UID (a version 4 UUID).
std::string NewVCardUid();

} // namespace quenlark
