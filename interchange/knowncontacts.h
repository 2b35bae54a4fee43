// The contacts an import must not add again: those already in the book, and those met
// earlier in the file. Two contacts are the same when every stored field is: the texts of
// the ten fields and the country index, as the record holds them.
#pragma once

#include "engine/contactrecord.h"

#include <cstdint>
#include <vector>

namespace quenlark {

class KnownContacts {
public:
    enum class Seen { New, InBook, InFile };

    // A contact the book holds.
    void addFromBook(const ContactRecord& record);
    // Whether the contact is in the book or was seen in the file before; a new one is
    // remembered as seen in the file.
    Seen see(const ContactRecord& record);
    // Forgets the file's contacts, before the file is read again; the book's stay.
    void forgetFile();

    std::size_t bookCount() const { return book_.count(); }

private:
    // A set of 128-bit digests, open addressing filled to three quarters at most: from 21 to
    // 43 bytes a contact, so a book of a million contacts takes 41 MiB at the very most.
    class DigestSet {
    public:
        bool insert(std::uint64_t a, std::uint64_t b); // false when it was there
        bool contains(std::uint64_t a, std::uint64_t b) const;
        void clear();
        std::size_t count() const { return count_; }

    private:
        void grow();
        std::vector<std::uint64_t> slots_; // pairs; a pair of zeros is an empty slot
        std::size_t count_ = 0;
    };

    DigestSet book_;
    DigestSet file_;
};

} // namespace quenlark
