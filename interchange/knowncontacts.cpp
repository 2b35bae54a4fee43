#include "interchange/knowncontacts.h"

#include <cstring>

namespace quenlark {

namespace {

struct Digest {
    std::uint64_t a;
    std::uint64_t b;
};

std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// Two independent 64-bit hashes of what the record stores: each field's text up to its NUL
// (with its length, so that no two records run together) and the country index. Bytes after
// a field's NUL are not part of the contact.
Digest digestOf(const ContactRecord& record) {
    std::uint64_t a = 0xcbf29ce484222325ULL; // FNV-1a
    std::uint64_t b = 0x9e3779b97f4a7c15ULL;
    auto feed = [&](unsigned char byte) {
        a = (a ^ byte) * 0x100000001b3ULL;
        b = (b + byte + 1) * 0xbf58476d1ce4e5b9ULL;
        b ^= b >> 29;
    };
    for (const FieldSlot& slot : kFieldSlots) {
        const char* text = record.bytes.data() + slot.offset;
        const std::size_t length = strnlen(text, slot.width);
        for (std::size_t i = 0; i < length; ++i)
            feed(static_cast<unsigned char>(text[i]));
        feed(static_cast<unsigned char>(length & 0xFF));
        feed(static_cast<unsigned char>(length >> 8));
    }
    const auto country = static_cast<std::uint32_t>(record.country());
    for (int shift = 0; shift < 32; shift += 8)
        feed(static_cast<unsigned char>(country >> shift));
    Digest d{mix(a), mix(b)};
    if (d.a == 0 && d.b == 0)
        d.b = 1; // a pair of zeros marks an empty slot
    return d;
}

} // namespace

bool KnownContacts::DigestSet::insert(std::uint64_t a, std::uint64_t b) {
    if ((count_ + 1) * 4 > slots_.size() / 2 * 3)
        grow();
    const std::size_t mask = slots_.size() / 2 - 1;
    for (std::size_t i = a & mask;; i = (i + 1) & mask) {
        std::uint64_t* slot = &slots_[i * 2];
        if (slot[0] == a && slot[1] == b)
            return false;
        if (slot[0] == 0 && slot[1] == 0) {
            slot[0] = a;
            slot[1] = b;
            ++count_;
            return true;
        }
    }
}

bool KnownContacts::DigestSet::contains(std::uint64_t a, std::uint64_t b) const {
    if (slots_.empty())
        return false;
    const std::size_t mask = slots_.size() / 2 - 1;
    for (std::size_t i = a & mask;; i = (i + 1) & mask) {
        const std::uint64_t* slot = &slots_[i * 2];
        if (slot[0] == a && slot[1] == b)
            return true;
        if (slot[0] == 0 && slot[1] == 0)
            return false;
    }
}

void KnownContacts::DigestSet::grow() {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
    count_ = 0;
    for (std::size_t i = 0; i < old.size(); i += 2)
        if (old[i] != 0 || old[i + 1] != 0)
            insert(old[i], old[i + 1]);
}

void KnownContacts::DigestSet::clear() {
    std::vector<std::uint64_t>().swap(slots_);
    count_ = 0;
}

void KnownContacts::addFromBook(const ContactRecord& record) {
    const Digest d = digestOf(record);
    book_.insert(d.a, d.b);
}

KnownContacts::Seen KnownContacts::see(const ContactRecord& record) {
    const Digest d = digestOf(record);
    if (book_.contains(d.a, d.b))
        return Seen::InBook;
    return file_.insert(d.a, d.b) ? Seen::New : Seen::InFile;
}

void KnownContacts::forgetFile() {
    file_.clear();
}

} // namespace quenlark
