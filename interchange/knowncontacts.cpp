#include "interchange/knowncontacts.h"

#include <algorithm>
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

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t load64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// A 128-bit hash of a run of bytes, MurmurHash3's x64 construction: sixteen bytes a step.
Digest hash128(const unsigned char* data, std::size_t size) {
    constexpr std::uint64_t c1 = 0x87c37b91114253d5ULL, c2 = 0x4cf5ad432745937fULL;
    std::uint64_t h1 = 0x9e3779b97f4a7c15ULL, h2 = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        std::uint64_t k1 = load64(data + i), k2 = load64(data + i + 8);
        h1 ^= rotl(k1 * c1, 31) * c2;
        h1 = (rotl(h1, 27) + h2) * 5 + 0x52dce729;
        h2 ^= rotl(k2 * c2, 33) * c1;
        h2 = (rotl(h2, 31) + h1) * 5 + 0x38495ab5;
    }
    unsigned char tail[16] = {};
    std::memcpy(tail, data + i, size - i);
    h1 ^= rotl(load64(tail) * c1, 31) * c2;
    h2 ^= rotl(load64(tail + 8) * c2, 33) * c1;
    h1 ^= size;
    h2 ^= size;
    h1 += h2;
    h2 += h1;
    h1 = mix(h1);
    h2 = mix(h2);
    h1 += h2;
    h2 += h1;
    return {h1, h2};
}

// A 128-bit digest of what the record stores: each field's text up to its NUL (with its
// length, so that no two records run together) and the country index. Bytes after a field's
// NUL are not part of the contact.
Digest digestOf(const ContactRecord& record) {
    unsigned char stored[kRecordSize + 2 * kFieldCount + 4];
    std::size_t size = 0;
    for (const FieldSlot& slot : kFieldSlots) {
        const char* text = record.bytes.data() + slot.offset;
        const std::size_t length = strnlen(text, slot.width);
        std::memcpy(stored + size, text, length);
        size += length;
        stored[size++] = static_cast<unsigned char>(length & 0xFF);
        stored[size++] = static_cast<unsigned char>(length >> 8);
    }
    const auto country = static_cast<std::uint32_t>(record.country());
    for (int shift = 0; shift < 32; shift += 8)
        stored[size++] = static_cast<unsigned char>(country >> shift);
    Digest d = hash128(stored, size);
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
    // The room stays: the file is read again with as many contacts.
    std::fill(slots_.begin(), slots_.end(), 0);
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
