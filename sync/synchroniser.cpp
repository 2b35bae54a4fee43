#include "sync/synchroniser.h"

#include "engine/codepage.h"
#include "interchange/importedcontact.h"
#include "interchange/textcodec.h"
#include "interchange/vcarddocument.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

namespace quenlark::sync {

namespace {

enum class Remote { Same, Changed, Removed };
enum class BookAction { None, Rewrite, Remove, Append };
enum class ServerAction { None, Create, Update, Remove };

// One contact as the sync sees it: the server's resource, what the state knew of it and the
// book record it is paired with.
struct Entry {
    std::string href;
    std::optional<StoredResource> stored;
    Remote remote = Remote::Same;
    // The server's copy now.
    std::string etag;
    std::string vcard;
    std::optional<ContactFields> fields; // none: the book cannot store it
    std::string reason;
    std::string rev;
    std::ptrdiff_t book = -1;

    // The plan.
    BookAction bookAction = BookAction::None;
    ServerAction serverAction = ServerAction::None;
    ContactFields result; // the book's fields after the sync
    std::string send;     // the vCard to send
    std::vector<FieldConflict> conflicts;
    bool drop = false; // no longer in the collection
    bool done = false; // its server step is made

    const ContactFields* base() const {
        return stored && stored->record ? &*stored->record : nullptr;
    }
    bool present() const { return remote != Remote::Removed; }
};

// Why the book cannot hold a contact it read, or "" when it can.
std::string whyNotStorable(const ImportedContact& c) {
    if (!c.problem.empty())
        return c.problem;
    if (!c.unstorable.empty())
        return std::string("its ") + FieldLabel(c.unstorable.front().field) +
               " holds characters the address book cannot store";
    if (!c.cuts.empty())
        return std::string("its ") + FieldLabel(c.cuts.front().field) +
               " is longer than the address book holds";
    if (!c.hasName())
        return "it has no name";
    return {};
}

// The contact's name for a message: FN, else the href.
std::string displayName(const std::string& vcard, const std::string& href) {
    VCardDocument doc;
    std::vector<std::string> parts;
    if (VCardDocument::Parse(vcard, doc))
        for (const VCardProperty& p : doc.properties())
            if (!p.nested && p.name == "FN" &&
                DecodeVCardValue(p, doc.isVersion21(), false, parts) && !parts[0].empty())
                return parts[0];
    return href;
}

// The text with every control character (and any byte that is not UTF-8) as U+FFFD, so that
// a name or a server's message cannot act on a terminal.
std::string printable(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t bad = InvalidUtf8Offset(text.substr(at));
        const std::string_view valid =
            text.substr(at, bad == std::string_view::npos ? std::string_view::npos : bad);
        for (std::size_t i = 0; i < valid.size();) {
            const std::size_t start = i;
            const char32_t c = NextCodePoint(valid, i);
            if (c < 0x20 || (c >= 0x7F && c < 0xA0))
                out += "\xEF\xBF\xBD";
            else
                out.append(valid.substr(start, i - start));
        }
        at += valid.size();
        if (at < text.size()) {
            out += "\xEF\xBF\xBD";
            ++at;
        }
    }
    return out;
}

} // namespace

struct Synchroniser::Impl {
    CardDavCollection& server;
    SyncState& state;
    SyncOptions options;

    StateSnapshot last;
    const BookSnapshot* book = nullptr;
    std::vector<Entry> entries;
    std::vector<std::size_t> stale;         // book positions of stale copies of deleted contacts
    std::vector<std::string> replacedHrefs; // contacts sent again under a new href
    std::string token;
    bool keepToken = false;
    bool slow = false;
    bool olderCopy = false;
    int v4Cards = 0, v3Cards = 0;
    bool versionsCounted = false;

    AddressBookEngine::Batch batch;
    std::vector<std::size_t> appendOrder; // indices into entries
    SyncSummary summary;

    Impl(CardDavCollection& s, SyncState& st, SyncOptions o)
        : server(s), state(st), options(std::move(o)) {}

    bool bookNewer(const Entry& e) const {
        const auto rev = RevTime(e.rev);
        return rev && book->modified > *rev;
    }

    // Reads the server's copy into the entry.
    void take(Entry& e, RemoteCard&& card) {
        e.etag = std::move(card.etag);
        e.vcard = std::move(card.vcard);
        e.fields.reset();
        e.rev.clear();
        e.reason.clear();
        if (!card.problem) {
            e.reason = card.problem.message();
            return;
        }
        VCardDocument doc;
        ImportedContact contact;
        Result parsed = VCardDocument::Parse(e.vcard, doc);
        if (parsed)
            parsed = doc.read(contact);
        if (!parsed) {
            e.reason = "it is not a vCard the program can read: " + parsed.message();
            return;
        }
        (doc.version() == VCardVersion::V4 ? v4Cards : v3Cards)++;
        e.rev = doc.rev();
        e.reason = whyNotStorable(contact);
        if (!e.reason.empty())
            return;
        ContactRecord record;
        FillRecord(contact, record);
        e.fields = ContactFields::Of(record);
    }

    // The server's fields now, for an entry not fetched in this sync: those of the last.
    void takeStored(Entry& e) {
        e.etag = e.stored->etag;
        e.vcard = e.stored->vcard;
        e.fields = e.stored->record;
        e.reason = e.stored->reason;
    }

    Result fetchInto(const std::vector<std::size_t>& which) {
        if (which.empty())
            return {};
        std::vector<std::string> hrefs;
        std::unordered_map<std::string, std::size_t> byHref;
        for (const std::size_t k : which) {
            hrefs.push_back(entries[k].href);
            byHref[entries[k].href] = k;
        }
        std::set<std::size_t> got;
        Result fetched = server.fetch(hrefs, [&](RemoteCard&& card) {
            const auto it = byHref.find(card.href);
            if (it == byHref.end())
                return;
            got.insert(it->second);
            take(entries[it->second], std::move(card));
        });
        if (!fetched)
            return fetched;
        for (const std::size_t k : which)
            if (!got.count(k))
                entries[k].remote = Remote::Removed; // gone between the listing and the fetch
        return {};
    }

    Result readServer() {
        CollectionChanges changes;
        if (Result listed = server.changesSince(last.token, changes); !listed)
            return listed;
        token = changes.token;
        std::unordered_map<std::string, std::size_t> index;
        for (auto& [href, stored] : last.resources) {
            Entry& e = entries.emplace_back();
            e.href = href;
            e.stored = std::move(stored);
            index.emplace(href, entries.size() - 1);
        }
        last.resources.clear();
        std::set<std::string> listed;
        for (const RemoteItem& item : changes.changed)
            listed.insert(item.href);
        recoverSteps(index, listed, changes.complete);
        std::vector<bool> seen(entries.size(), !changes.complete);
        std::vector<std::size_t> toFetch;
        for (RemoteItem& item : changes.changed) {
            auto it = index.find(item.href);
            if (it == index.end()) {
                entries.emplace_back().href = item.href;
                seen.push_back(true);
                it = index.emplace(item.href, entries.size() - 1).first;
            }
            Entry& e = entries[it->second];
            seen[it->second] = true;
            if (e.stored && e.stored->etag == item.etag && !item.etag.empty()) {
                e.remote = Remote::Same;
                continue;
            }
            e.remote = Remote::Changed;
            toFetch.push_back(it->second);
        }
        for (const std::string& href : changes.removed)
            if (const auto it = index.find(href); it != index.end())
                entries[it->second].remote = Remote::Removed;
        for (std::size_t k = 0; k < entries.size(); ++k)
            if (!seen[k])
                entries[k].remote = Remote::Removed;
        if (Result fetched = fetchInto(toFetch); !fetched)
            return fetched;
        for (Entry& e : entries) {
            if (e.remote == Remote::Same)
                takeStored(e);
            // A contact the book holds that cannot be fetched now is left for the next sync,
            // which is told of it again.
            if (e.remote == Remote::Changed && !e.fields && e.base() && e.vcard.empty()) {
                keepToken = true;
                takeStored(e);
                e.remote = Remote::Same;
            }
        }
        return {};
    }

    // What a sync that did not finish sent. A step known done stands; a creation whose outcome
    // is unknown stands when the server lists its href; the rest the listing tells.
    void recoverSteps(std::unordered_map<std::string, std::size_t>& index,
                      const std::set<std::string>& listed, bool complete) {
        for (const PendingStep& step : last.steps) {
            auto it = index.find(step.href);
            if (step.kind == StepKind::Create) {
                const bool onServer = listed.count(step.href) > 0;
                if (!onServer && (!step.done || complete))
                    continue;
                if (it == index.end()) {
                    entries.emplace_back().href = step.href;
                    it = index.emplace(step.href, entries.size() - 1).first;
                }
                entries[it->second].stored = StoredResource{
                    step.href, step.done ? step.etag : "", step.vcard, step.record, -1, ""};
            } else if (step.kind == StepKind::Update && step.done && it != index.end() &&
                       entries[it->second].stored) {
                StoredResource& r = *entries[it->second].stored;
                r.etag = step.etag;
                r.vcard = step.vcard;
                r.record = step.record;
            }
        }
    }

    // ---- Pairing the book with the server ----

    void pairBook() {
        const std::vector<ContactFields>& records = book->records;
        std::vector<std::size_t> synced; // entries with a position, in book order
        std::size_t withRecord = 0;
        for (std::size_t k = 0; k < entries.size(); ++k)
            if (entries[k].base() && entries[k].stored->position >= 0) {
                synced.push_back(k);
                ++withRecord;
            }
        std::sort(synced.begin(), synced.end(), [&](std::size_t a, std::size_t b) {
            return entries[a].stored->position < entries[b].stored->position;
        });
        std::vector<bool> paired(records.size(), false);
        slow = book->identity.path != last.book.path || withRecord == 0;
        if (!slow) {
            std::vector<const ContactFields*> lastRecords;
            for (const std::size_t k : synced)
                lastRecords.push_back(entries[k].base());
            const BookMatch m = MatchBook(lastRecords, records);
            slow = m.related * 2 < withRecord && m.related * 2 < records.size();
            if (!slow)
                for (std::size_t j = 0; j < records.size(); ++j)
                    if (m.lastOf[j] >= 0) {
                        entries[synced[std::size_t(m.lastOf[j])]].book = std::ptrdiff_t(j);
                        paired[j] = true;
                    }
        }
        summary.matchedByContent = slow && !records.empty() && withRecord > 0;
        // Contacts in the book not paired yet: by content, the same fields first.
        std::unordered_multimap<std::uint64_t, std::size_t> byDigest;
        std::unordered_multimap<std::string, std::size_t> byKey;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const Entry& e = entries[k];
            if (e.book >= 0)
                continue;
            // In a slow sync any contact may be the book's; otherwise only those the book has
            // not held (new on the server, or created by a sync that did not finish).
            const bool candidate = slow || !e.base() || e.stored->position < 0;
            if (!candidate)
                continue;
            for (const ContactFields* f : {e.fields ? &*e.fields : nullptr, e.base()})
                if (f && (e.present() || f == e.base())) {
                    byDigest.emplace(f->digest(), k);
                    if (slow)
                        byKey.emplace(f->contentKey(), k);
                }
        }
        const auto claim = [&](auto& map, const auto& key, std::size_t j) {
            const auto range = map.equal_range(key);
            for (auto it = range.first; it != range.second; ++it)
                if (entries[it->second].book < 0) {
                    entries[it->second].book = std::ptrdiff_t(j);
                    paired[j] = true;
                    return true;
                }
            return false;
        };
        for (std::size_t j = 0; j < records.size(); ++j)
            if (!paired[j])
                claim(byDigest, records[j].digest(), j);
        for (std::size_t j = 0; j < records.size(); ++j)
            if (!paired[j] && slow)
                claim(byKey, records[j].contentKey(), j);
        // What is left is new in the book, or a stale copy of a deleted contact when the book
        // was replaced (a restored backup).
        const bool replaced = slow || book->identity.device != last.book.device ||
                              book->identity.inode != last.book.inode;
        for (std::size_t j = 0; j < records.size(); ++j) {
            if (paired[j])
                continue;
            if (replaced && last.tombstones.count(records[j].digest())) {
                stale.push_back(j);
                continue;
            }
            Entry& e = entries.emplace_back();
            e.remote = Remote::Removed; // nothing on the server yet
            e.book = std::ptrdiff_t(j);
        }
        // A book that holds copies of contacts deleted since is an older copy: what it lacks
        // was not deleted by the person, and comes back to it.
        olderCopy = slow || !stale.empty();
        summary.olderCopy = !slow && !stale.empty();
    }

    // ---- Deciding ----

    void decide(Entry& e) {
        e.bookAction = BookAction::None;
        e.serverAction = ServerAction::None;
        e.conflicts.clear();
        e.drop = false;
        e.send.clear();
        const ContactFields* base = e.base();
        if (e.book >= 0) {
            const ContactFields& b = book->records[std::size_t(e.book)];
            e.result = b;
            if (!e.present()) {
                if (base && b == *base) {
                    e.bookAction = BookAction::Remove;
                    e.drop = true;
                    return;
                }
                // New in the book, or changed here and deleted there: kept, and sent.
                e.serverAction = ServerAction::Create;
                VCardDocument doc;
                if (e.stored && VCardDocument::Parse(e.stored->vcard, doc) && base) {
                    doc.update(base->record(), b.record());
                    doc.setUid(NewVCardUid());
                } else {
                    doc = VCardDocument::Create(b.record(), preferredVersion(), NewVCardUid());
                }
                e.send = doc.text();
                return;
            }
            if (!e.fields) {
                // The server's copy is now one the book cannot store: it stays there only.
                e.bookAction = BookAction::Remove;
                if (base && b != *base)
                    for (std::size_t i = 0; i < kFieldCount; ++i)
                        if (b.text[i] != base->text[i])
                            e.conflicts.push_back(
                                {FieldLabel(static_cast<Field>(i)), Cp1252ToUtf8(b.text[i]), true});
                return;
            }
            const ContactFields& cur = *e.fields;
            e.result = MergeFields(base, b, cur, bookNewer(e), e.conflicts);
            if (e.result != b)
                e.bookAction = BookAction::Rewrite;
            if (e.result != cur) {
                e.serverAction = ServerAction::Update;
                VCardDocument doc;
                if (VCardDocument::Parse(e.vcard, doc)) {
                    doc.update(cur.record(), e.result.record());
                } else {
                    // Not one the program can keep as written (it read it all the same): a
                    // vCard of the book's fields.
                    doc =
                        VCardDocument::Create(e.result.record(), preferredVersion(), NewVCardUid());
                }
                e.send = doc.text();
            }
            return;
        }
        if (!e.present()) {
            e.drop = true;
            return;
        }
        // A copy saved again without a change is no change.
        const bool changedThere =
            e.remote == Remote::Changed &&
            !(base && e.fields == e.stored->record && e.vcard == e.stored->vcard);
        if (base && !changedThere && !olderCopy) {
            // Deleted in the book, unchanged on the server. (A book matched by content may be
            // an older copy: what it lacks comes back to it rather than going.)
            e.serverAction = ServerAction::Remove;
            e.drop = true;
            return;
        }
        if (e.fields) {
            // New on the server, or changed there and deleted here: kept with the change.
            e.bookAction = BookAction::Append;
            e.result = *e.fields;
        }
    }

    // The version most of the server's vCards have (those fetched now, else those kept).
    VCardVersion preferredVersion() {
        if (v4Cards + v3Cards == 0 && !versionsCounted)
            for (const Entry& e : entries)
                if (!e.vcard.empty())
                    (e.vcard.find("VERSION:4.0") != std::string::npos ? v4Cards : v3Cards)++;
        versionsCounted = true;
        return v4Cards > v3Cards ? VCardVersion::V4 : VCardVersion::V3;
    }

    Result guard() const {
        if (options.allowMassDeletion)
            return {};
        std::size_t bookRemovals = stale.size(), serverRemovals = 0, onServer = 0;
        for (const Entry& e : entries) {
            bookRemovals += e.bookAction == BookAction::Remove;
            serverRemovals += e.serverAction == ServerAction::Remove;
            onServer += e.present() && (e.stored || e.remote == Remote::Changed);
        }
        const auto tooMany = [](std::size_t removed, std::size_t of) {
            return removed >= 5 && removed * 2 > of;
        };
        const std::size_t inBook = book->records.size();
        if (tooMany(bookRemovals, inBook))
            return Result::Fail(Failure::MassDeletion,
                                "This sync would delete " + std::to_string(bookRemovals) +
                                    " of the " + std::to_string(inBook) +
                                    " contacts in the address book, more than half of them");
        if (tooMany(serverRemovals, onServer))
            return Result::Fail(Failure::MassDeletion,
                                "This sync would delete " + std::to_string(serverRemovals) +
                                    " of the " + std::to_string(onServer) +
                                    " contacts on the server, more than half of them (was the "
                                    "address book emptied or replaced?)");
        return {};
    }

    // ---- The server's steps ----

    Result step(Entry& e) {
        PendingStep st;
        st.href = e.href;
        st.vcard = e.send;
        st.record = e.result;
        std::string etag;
        Result sent;
        switch (e.serverAction) {
        case ServerAction::None:
            return {};
        case ServerAction::Create: {
            VCardDocument doc;
            (void)VCardDocument::Parse(e.send, doc);
            st.kind = StepKind::Create;
            st.href = server.hrefFor(doc.uid());
            if (Result begun = state.beginStep(st); !begun)
                return begun;
            sent = server.create(st.href, st.vcard, etag);
            break;
        }
        case ServerAction::Update:
            st.kind = StepKind::Update;
            if (Result begun = state.beginStep(st); !begun)
                return begun;
            sent = server.update(e.href, e.send, e.etag, etag);
            break;
        case ServerAction::Remove:
            st.kind = StepKind::Remove;
            st.record.reset();
            if (Result begun = state.beginStep(st); !begun)
                return begun;
            sent = server.remove(e.href, e.etag);
            break;
        }
        if (!sent)
            return sent;
        st.done = true;
        st.etag = etag;
        if (Result ended = state.endStep(st); !ended)
            return ended;
        if (e.serverAction == ServerAction::Create) {
            if (e.stored && e.stored->href != st.href)
                replacedHrefs.push_back(e.stored->href);
            e.href = st.href;
            e.stored.reset();
        }
        e.etag = etag;
        if (e.serverAction != ServerAction::Remove) {
            e.vcard = e.send;
            e.fields = e.result;
            e.remote = Remote::Same;
        }
        e.done = true;
        return {};
    }

    Result sendAll() {
        for (Entry& e : entries) {
            for (int attempt = 0;; ++attempt) {
                Result sent = step(e);
                if (sent)
                    break;
                if (sent.failure() != Failure::ChangedOnServer || attempt >= options.retries)
                    return sent;
                if (e.serverAction == ServerAction::Create) {
                    // The href is taken: another UID.
                    VCardDocument doc;
                    if (VCardDocument::Parse(e.send, doc)) {
                        doc.setUid(NewVCardUid());
                        e.send = doc.text();
                    }
                    continue;
                }
                // Changed on the server since it was read: fetch it again and merge again.
                const std::size_t k = std::size_t(&e - entries.data());
                if (Result fetched = fetchInto({k}); !fetched)
                    return fetched;
                if (e.present())
                    e.remote = Remote::Changed;
                decide(e);
            }
        }
        return {};
    }

    // ---- The book's change and the summary ----

    void buildBatch() {
        batch = AddressBookEngine::Batch();
        batch.count = book->records.size();
        appendOrder.clear();
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const Entry& e = entries[k];
            const auto pos = std::size_t(e.book);
            switch (e.bookAction) {
            case BookAction::Rewrite:
                batch.rewrites.push_back({pos, book->records[pos].record(), e.result.record()});
                break;
            case BookAction::Remove:
                batch.removals.push_back({pos, book->records[pos].record()});
                break;
            case BookAction::Append:
                appendOrder.push_back(k);
                break;
            case BookAction::None:
                break;
            }
        }
        for (const std::size_t pos : stale)
            batch.removals.push_back({pos, book->records[pos].record()});
    }

    void summarise() {
        SyncSummary s;
        s.matchedByContent = summary.matchedByContent;
        s.olderCopy = summary.olderCopy;
        s.receivedDeleted = stale.size();
        for (const Entry& e : entries) {
            const bool serverOnly = e.present() && !e.fields && !e.drop;
            if (e.bookAction == BookAction::Remove && !serverOnly)
                ++s.receivedDeleted;
            s.receivedNew += e.bookAction == BookAction::Append;
            s.receivedChanged += e.bookAction == BookAction::Rewrite;
            s.sentNew += e.serverAction == ServerAction::Create;
            s.sentChanged += e.serverAction == ServerAction::Update;
            s.sentDeleted += e.serverAction == ServerAction::Remove;
            const std::string name =
                e.fields || e.book >= 0 ? Cp1252ToUtf8(e.result[Field::Name]) : std::string();
            for (const FieldConflict& c : e.conflicts)
                s.conflicts.push_back({name, c});
            if (serverOnly)
                s.serverOnly.push_back({displayName(e.vcard, e.href), e.reason});
        }
        summary = std::move(s);
    }

    Result commit(const BookIdentity& identity) {
        StateCommit c;
        c.collection = options.collection;
        c.book = identity;
        c.token = keepToken ? last.token : token;
        c.dropped = replacedHrefs;
        // Positions after the change: removed records close up, appended ones follow.
        std::vector<std::size_t> removed;
        for (const auto& r : batch.removals)
            removed.push_back(r.position);
        std::sort(removed.begin(), removed.end());
        const auto newPosition = [&](std::size_t p) {
            return std::int64_t(p) -
                   std::int64_t(std::lower_bound(removed.begin(), removed.end(), p) -
                                removed.begin());
        };
        std::int64_t appended = std::int64_t(book->records.size() - removed.size());
        std::map<std::size_t, std::int64_t> appendPosition;
        for (const std::size_t k : appendOrder)
            appendPosition[k] = appended++;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const Entry& e = entries[k];
            if (e.drop) {
                if (e.stored)
                    c.dropped.push_back(e.href);
                continue;
            }
            if (!e.present() && !e.done)
                continue; // never on the server (a creation that did not happen)
            StoredResource r;
            r.href = e.href;
            r.etag = e.etag;
            r.vcard = e.vcard;
            r.reason = e.fields ? std::string() : e.reason;
            if (e.bookAction == BookAction::Append) {
                r.record = e.result;
                r.position = appendPosition[k];
            } else if (e.book >= 0 && e.bookAction != BookAction::Remove) {
                r.record = e.result;
                r.position = newPosition(std::size_t(e.book));
            }
            if (e.stored && e.stored->etag == r.etag && e.stored->vcard == r.vcard &&
                e.stored->record == r.record && e.stored->reason == r.reason) {
                if (e.stored->position != r.position)
                    c.moved.emplace_back(r.href, r.position);
                continue;
            }
            c.written.push_back(std::move(r));
        }
        for (const Entry& e : entries)
            if (e.drop) {
                if (e.bookAction == BookAction::Remove && e.book >= 0)
                    c.tombstones.push_back(book->records[std::size_t(e.book)].digest());
                else if (e.serverAction == ServerAction::Remove && e.base())
                    c.tombstones.push_back(e.base()->digest());
            }
        return state.commit(c);
    }
};

Synchroniser::Synchroniser(CardDavCollection& server, SyncState& state, SyncOptions options)
    : impl_(std::make_unique<Impl>(server, state, std::move(options))) {}

Synchroniser::~Synchroniser() = default;

Result Synchroniser::run(const BookSnapshot& book) {
    Impl& s = *impl_;
    s.book = &book;
    s.entries.clear();
    s.stale.clear();
    if (Result loaded = s.state.load(s.last); !loaded)
        return loaded;
    if (s.last.collection != s.options.collection) {
        if (Result reset = s.state.reset(); !reset)
            return reset;
        s.last = StateSnapshot();
    }
    if (Result read = s.readServer(); !read)
        return read;
    s.pairBook();
    for (Entry& e : s.entries)
        s.decide(e);
    s.summarise();
    if (Result allowed = s.guard(); !allowed)
        return allowed;
    if (Result sent = s.sendAll(); !sent)
        return sent;
    s.buildBatch();
    s.summarise();
    return {};
}

const AddressBookEngine::Batch& Synchroniser::bookBatch() const {
    return impl_->batch;
}

AddressBookEngine::RecordSource Synchroniser::bookAppends() const {
    if (impl_->appendOrder.empty())
        return {};
    auto next = std::make_shared<std::size_t>(0);
    const Impl* s = impl_.get();
    return [s, next](ContactRecord& record) {
        if (*next >= s->appendOrder.size())
            return false;
        record = s->entries[s->appendOrder[(*next)++]].result.record();
        return true;
    };
}

bool Synchroniser::changesBook() const {
    return !impl_->batch.rewrites.empty() || !impl_->batch.removals.empty() ||
           !impl_->appendOrder.empty();
}

Result Synchroniser::commit(const BookIdentity& book) {
    return impl_->commit(book);
}

const SyncSummary& Synchroniser::summary() const {
    return impl_->summary;
}

std::vector<std::string> SummaryLines(const SyncSummary& s) {
    std::vector<std::string> lines;
    lines.push_back("Received: " + std::to_string(s.receivedNew) + " new, " +
                    std::to_string(s.receivedChanged) + " changed, " +
                    std::to_string(s.receivedDeleted) + " deleted here.");
    lines.push_back("Sent: " + std::to_string(s.sentNew) + " new, " +
                    std::to_string(s.sentChanged) + " changed, " + std::to_string(s.sentDeleted) +
                    " deleted there.");
    if (s.matchedByContent)
        lines.push_back("The address book no longer matched the last sync: its contacts were "
                        "matched by name and e-mail address.");
    if (s.olderCopy)
        lines.push_back("The address book is an older copy: contacts deleted since were left "
                        "out of it again, and those it lacked were brought back.");
    if (!s.conflicts.empty()) {
        lines.push_back(CountOf(s.conflicts.size(), "conflict", "conflicts") + ":");
        for (const SyncConflict& c : s.conflicts)
            lines.push_back("  " + c.contact + ": the " + c.field.field + " \"" + c.field.lost +
                            "\" " +
                            (c.field.serverWon ? "from the address book lost to the server's"
                                               : "from the server lost to the address book's") +
                            ".");
    }
    if (!s.serverOnly.empty()) {
        lines.push_back(CountOf(s.serverOnly.size(), "contact stays", "contacts stay") +
                        " on the server only:");
        for (const ServerOnlyContact& c : s.serverOnly)
            lines.push_back("  " + c.contact + ": " + c.reason + ".");
    }
    for (std::string& line : lines)
        line = printable(line);
    return lines;
}

} // namespace quenlark::sync
