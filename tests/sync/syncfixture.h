// Shared set-up of the sync tests: a book and a sync state in a temporary folder, a server
// in memory, and ways to change either side and compare them.
#pragma once

#include "engine/addressbookengine.h"
#include "engine/bookreader.h"
#include "engine/codepage.h"
#include "interchange/vcarddocument.h"
#include "memorycollection.h"
#include "sync/contactfields.h"
#include "sync/runsync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace quenlark::sync::test {

inline constexpr char kCollection[] = "http://127.0.0.1:5232/ann/contacts/";

struct Person {
    std::string name;
    std::string email;
    std::string phone;
    std::string city;
    ContactFields fields() const {
        ContactFields f;
        f[Field::Name] = name;
        f[Field::Email] = email;
        f[Field::Phone] = phone;
        f[Field::City] = city;
        return f;
    }
};

// A server's vCard of a person (UTF-8 names are written as they are).
inline std::string CardOf(const Person& p, const std::string& rev = "20200101T000000Z",
                          const std::string& extra = "") {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + p.name + "-uid\r\nFN:" + p.name +
                       "\r\nN:;" + p.name + ";;;\r\n";
    if (!p.email.empty())
        card += "EMAIL;TYPE=INTERNET:" + p.email + "\r\n";
    if (!p.phone.empty())
        card += "TEL;TYPE=VOICE:" + p.phone + "\r\n";
    if (!p.city.empty())
        card += "ADR:;;;" + p.city + ";;;\r\n";
    return card + extra + "REV:" + rev + "\r\nEND:VCARD\r\n";
}

// The contact a vCard gives the book, or none.
inline std::optional<ContactFields> FieldsOfCard(const std::string& vcard) {
    VCardDocument doc;
    ImportedContact contact;
    ContactRecord record;
    if (!VCardDocument::Parse(vcard, doc) || !doc.read(contact) || !FillRecord(contact, record))
        return std::nullopt;
    return ContactFields::Of(record);
}

class SyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "quenlark-sync-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        bookPath = (dir / "addressbook.qab").string();
        statePath = (dir / "config/quenlark/sync.sqlite").string();
        writeBook({});
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    int sync(bool yes = false) {
        std::ostringstream out, err;
        const int status = RunSync(remote, {bookPath, statePath, kCollection, yes}, out, err);
        output = out.str() + err.str();
        return status;
    }

    std::vector<ContactFields> book() const {
        std::vector<ContactFields> all;
        BookReader reader;
        EXPECT_TRUE(reader.open(bookPath));
        ContactRecord r;
        while (reader.next(r))
            all.push_back(ContactFields::Of(r));
        return all;
    }
    // A new file over the book, as another program or a copied backup leaves it.
    void writeBook(const std::vector<ContactFields>& contacts) {
        const auto header = MakeHeader();
        std::string bytes(header.begin(), header.end());
        for (const ContactFields& f : contacts) {
            const ContactRecord r = f.record();
            bytes.append(r.bytes.data(), r.bytes.size());
        }
        const std::string temp = bookPath + ".new";
        std::ofstream(temp, std::ios::binary) << bytes;
        std::filesystem::rename(temp, bookPath);
    }
    // A change made through the engine, as the window makes it.
    void editBook(const std::function<void(AddressBookEngine&)>& change) {
        OneBookSettings settings(bookPath);
        SilentMessages messages;
        AddressBookEngine engine(settings, messages, dir.string());
        ASSERT_TRUE(engine.OpenAddressBook());
        engine.LoadContactIndex();
        change(engine);
    }
    std::size_t positionOf(const std::string& name) const {
        const auto all = book();
        for (std::size_t k = 0; k < all.size(); ++k)
            if (all[k][Field::Name] == name)
                return k;
        ADD_FAILURE() << name << " is not in the book";
        return 0;
    }
    void rewriteInBook(const std::string& name, const std::function<void(ContactFields&)>& edit) {
        const std::size_t at = positionOf(name);
        editBook([&](AddressBookEngine& e) {
            ContactFields f = ContactFields::Of(e.ReadContact(e.index()[at]));
            edit(f);
            ASSERT_TRUE(e.RewriteContact(e.index()[at], f.record()));
        });
    }
    void deleteFromBook(const std::string& name) {
        const std::size_t at = positionOf(name);
        editBook([&](AddressBookEngine& e) { ASSERT_TRUE(e.DeleteContact(e.index()[at])); });
    }
    void addToBook(const Person& p) {
        editBook([&](AddressBookEngine& e) { ASSERT_TRUE(e.AppendContact(p.fields().record())); });
    }

    std::vector<ContactFields> server() const {
        std::vector<ContactFields> all;
        for (const auto& [href, card] : remote.cards)
            if (const auto f = FieldsOfCard(card))
                all.push_back(*f);
        return all;
    }
    std::string hrefOf(const std::string& name) const {
        for (const auto& [href, card] : remote.cards)
            if (const auto f = FieldsOfCard(card); f && (*f)[Field::Name] == name)
                return href;
        return {};
    }

    static std::vector<std::string> sorted(const std::vector<ContactFields>& contacts) {
        std::vector<std::string> out;
        for (const ContactFields& f : contacts)
            out.push_back(f.encode());
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::vector<std::string> names(const std::vector<ContactFields>& contacts) {
        std::vector<std::string> out;
        for (const ContactFields& f : contacts)
            out.push_back(Cp1252ToUtf8(f[Field::Name]));
        std::sort(out.begin(), out.end());
        return out;
    }
    // Both sides hold the same contacts, each once.
    void expectInStep() const {
        const auto b = book();
        EXPECT_EQ(sorted(b), sorted(server()));
        auto n = names(b);
        EXPECT_EQ(std::adjacent_find(n.begin(), n.end()), n.end()) << "a contact is doubled";
    }

    std::filesystem::path dir;
    std::string bookPath;
    std::string statePath;
    MemoryCollection remote;
    std::string output;
};

} // namespace quenlark::sync::test
