// The command line, run in-process on books in a temporary folder: the mail client's query,
// exports and imports and what they refuse, and the usage rules.
#include "../support/faultyfs.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "engine/addressbookengine.h"
#include "engine/journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace quenlark;
using quenlark::test::DyingDisk;
using quenlark::test::FaultyFileSystem;

namespace {

ContactRecord contact(const std::string& name, const std::string& nickname,
                      const std::string& email, const std::string& email2 = {}) {
    ContactRecord r;
    r.setText(Field::Name, name);
    r.setText(Field::Nickname, nickname);
    r.setText(Field::Email, email);
    r.setText(Field::SecondEmail, email2);
    return r;
}

std::string bookOf(const std::vector<ContactRecord>& records) {
    const auto header = MakeHeader();
    std::string bytes(header.begin(), header.end());
    for (const ContactRecord& r : records)
        bytes.append(r.bytes.data(), r.bytes.size());
    return bytes;
}

} // namespace

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "quenlark-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        book = (dir / "addressbook.qab").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs the command; its output and error text are kept.
    int run(const std::vector<std::string>& args) {
        out.str({});
        err.str({});
        const CommandLineContext context{
            [this](std::string& found) {
                found = book;
                return book.empty() ? Result::Fail(Failure::NotOpen, "There is no address book")
                                    : Result();
            },
            out, err};
        return RunCommandLine(args, context);
    }
    static void write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::filesystem::path dir;
    std::string book;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CommandLineTest, QueryPrintsOneLinePerAddressOfEachMatch) {
    write(book,
          bookOf({contact("Ann Lee", "Annie", "ann@example.com", "ann@work.example"),
                  contact("Bob Stone", "", "bob@example.com"),
                  contact("Zo\xEB \xC9lise", "zed", "zoe@example.com"),
                  contact("No Mail", "nomail", ""), contact("Tab\tName", "", "tab@example.com")}));
    // Names, nicknames and addresses, any letter case, the code page's letters included.
    ASSERT_EQ(run({"--query", "ANN"}), kExitOk);
    EXPECT_EQ(out.str(), "Quenlark Address Book: 2 addresses found\n"
                         "ann@example.com\tAnn Lee\tAnnie\n"
                         "ann@work.example\tAnn Lee\tAnnie\n");
    ASSERT_EQ(run({"--query", "élise"}), kExitOk);
    EXPECT_EQ(out.str(), "Quenlark Address Book: 1 address found\n"
                         "zoe@example.com\tZoë Élise\tzed\n");
    ASSERT_EQ(run({"--query", "ZED"}), kExitOk);
    ASSERT_EQ(run({"--query", "@EXAMPLE.com"}), kExitOk);
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')),
              "Quenlark Address Book: 5 addresses found"); // Ann's second address too
    // A tab in a name cannot break the line's cells.
    ASSERT_EQ(run({"--query", "tab@"}), kExitOk);
    EXPECT_NE(out.str().find("tab@example.com\tTab Name\t\n"), std::string::npos);

    // Nothing found: status 1, and the status line a mail client shows as the outcome.
    for (const std::string text : {"nomail", "nobody", "\xE4\xB8\xAD" /* not storable */}) {
        EXPECT_EQ(run({"--query", text}), kExitFailed) << text;
        EXPECT_EQ(out.str(), "Quenlark Address Book: no contact matches \"" + text + "\"\n");
        EXPECT_EQ(err.str(), "");
    }
}

TEST(TerminalTextTest, ControlsAndBrokenCharactersAreReplaced) {
    const std::string r = "\xEF\xBF\xBD"; // U+FFFD
    const std::pair<std::string, std::string> cases[] = {
        {"tab\tCR LF\r\nZo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80", ""}, // kept as it is
        {"\x1B]0;title\x07|\x7F|" + std::string(1, '\0'), r + "]0;title" + r + "|" + r + "|" + r},
        {"\xC2\x9B"
         "2J|\x9B"
         "2J",
         r + "2J|" + r + "2J"}, // C1 CSI, as UTF-8 and as a byte
        {"\xC0\xAF|\xED\xA0\x80|\xF4\x90", r + r + "|" + r + r + "|" + r},
        {"\xE2\x82|\xE2\x82", r + "|" + r}, // cut characters, the last at the very end
    };
    for (const auto& [text, expected] : cases) {
        const std::string shown = expected.empty() ? text : expected;
        EXPECT_EQ(TerminalText(text), shown);
        // Through the stream buffer a byte at a time, each flushed on its own.
        std::ostringstream sink;
        TerminalTextBuffer buffer(sink.rdbuf());
        std::ostream stream(&buffer);
        for (const char c : text)
            stream.put(c).flush();
        EXPECT_TRUE(buffer.close());
        EXPECT_EQ(sink.str(), shown);
    }
}

TEST_F(CommandLineTest, ControlCharactersReachNoTerminalButStayInFiles) {
    const std::string r = "\xEF\xBF\xBD";
    // ESC sequences, a bell, and 0x9D: the C1 control OSC in the book's code page.
    write(book, bookOf({contact("Eve\x1B[2J\x07 \x9D", "\x1B[31m", "eve@example.com")}));
    const std::string shown = "Eve" + r + "[2J" + r + " " + r;
    ASSERT_EQ(run({"--query", "eve"}), kExitOk);
    EXPECT_EQ(out.str(), "Quenlark Address Book: 1 address found\neve@example.com\t" + shown +
                             "\t" + r + "[31m\n");
    for (const char* option : {"--export-vcard", "--export-csv"}) {
        ASSERT_EQ(run({option, "-"}), kExitOk) << option;
        EXPECT_NE(out.str().find(shown), std::string::npos) << option;
        EXPECT_EQ(out.str().find('\x1B'), std::string::npos) << option;
        ASSERT_EQ(run({option, path("export")}), kExitOk) << option;
        EXPECT_NE(read(path("export")).find("Eve\x1B[2J\x07 \xC2\x9D"), std::string::npos);
    }
    // Messages that echo what was typed: the query's text, a file's name.
    EXPECT_EQ(run({"--query", "\x1B[1m"}), kExitFailed);
    EXPECT_EQ(out.str(), "Quenlark Address Book: no contact matches \"" + r + "[1m\"\n");
    EXPECT_EQ(run({"--import", path("\x1B[1m.vcf")}), kExitFailed);
    EXPECT_NE(err.str().find(r + "[1m.vcf"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find('\x1B'), std::string::npos);
}

TEST_F(CommandLineTest, QueryAndExportReadWhileTheProgramHoldsTheBook) {
    write(book, bookOf({contact("Ann Lee", "", "ann@example.com")}));
    OneBookSettings settings(book);
    SilentMessages quiet;
    AddressBookEngine window(settings, quiet, dir.string());
    ASSERT_TRUE(window.OpenAddressBook()); // holds the lock, as the window does
    EXPECT_EQ(run({"--query", "ann"}), kExitOk);
    EXPECT_EQ(run({"--export-vcard", "-"}), kExitOk);
    EXPECT_NE(out.str().find("FN:Ann Lee\r\n"), std::string::npos);
    // An import writes, so it waits for the program to let go.
    write(path("in.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nEND:VCARD\r\n");
    const std::string before = read(book);
    EXPECT_EQ(run({"--import", path("in.vcf")}), kExitFailed);
    EXPECT_NE(err.str().find("in use"), std::string::npos);
    EXPECT_EQ(read(book), before);
}

TEST_F(CommandLineTest, ExportThenImportGivesTheSameRecords) {
    std::vector<ContactRecord> records;
    for (int i = 0; i < 50; ++i) {
        ContactRecord r = contact("Person " + std::to_string(i), "n;" + std::to_string(i),
                                  "p" + std::to_string(i) + "@example.com", "=cmd|' /C calc'!A0");
        r.setText(Field::Address, "1, Main \"Street\"\nFlat 2\\3");
        r.setText(Field::City, "K\xF8"
                               "benhavn \x80");
        r.setCountry(55);
        records.push_back(r);
    }
    for (const char* option : {"--export-vcard", "--export-csv"}) {
        SCOPED_TRACE(option);
        write(book, bookOf(records));
        const std::string file = path(std::string("export") + option);
        ASSERT_EQ(run({option, file}), kExitOk) << err.str();
        write(book, bookOf({}));
        ASSERT_EQ(run({"--import", file}), kExitOk) << err.str() << out.str();
        EXPECT_TRUE(read(book) == bookOf(records));
    }
    // A new export file is its owner's only.
    EXPECT_EQ(std::filesystem::status(path("export--export-csv")).permissions() &
                  (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
    // The book itself is never overwritten by an export.
    EXPECT_EQ(run({"--export-csv", book}), kExitFailed);
    EXPECT_TRUE(read(book) == bookOf(records));
}

TEST_F(CommandLineTest, ImportShowsWhatWillHappenAndAddsAllOrNothing) {
    write(book, bookOf({contact("Ann", "", "ann@example.com")}));
    const std::string before = read(book);
    write(path("cut.vcf"),
          "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Long Zip\r\nADR:;;;;;" + std::string(150, '9') +
              ";\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xE4\xB8\xAD Chinese\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Plain\r\nEND:VCARD\r\n");
    // A value that would be cut needs --yes; nothing is added without it.
    EXPECT_EQ(run({"--import", path("cut.vcf")}), kExitFailed);
    EXPECT_NE(out.str().find("--yes"), std::string::npos);
    EXPECT_EQ(read(book), before);
    // With it, the cut is made, and the contact the book cannot store is skipped and named.
    ASSERT_EQ(run({"--import", path("cut.vcf"), "--yes"}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("Chinese"), std::string::npos);
    EXPECT_NE(out.str().find("Added 2 contacts"), std::string::npos);
    std::string after = read(book);
    ASSERT_EQ(after.size(), before.size() + 2 * kRecordSize);
    ContactRecord longZip;
    std::copy_n(after.data() + before.size(), kRecordSize, longZip.bytes.begin());
    EXPECT_EQ(longZip.text(Field::ZipCode), std::string(99, '9'));

    // Files that are not contacts: a clear word, nothing written.
    write(path("binary.vcf"), std::string("\x7f"
                                          "ELF\0\0\0\x01\x02",
                                          9) +
                                  std::string(100, '\0'));
    write(path("empty.csv"), "");
    for (const std::string& bad : {path("binary.vcf"), path("empty.csv"), path("missing.vcf")}) {
        EXPECT_EQ(run({"--import", bad}), kExitFailed) << bad;
        EXPECT_NE(err.str().find("cannot import"), std::string::npos) << err.str();
        EXPECT_EQ(read(book), after);
    }
}

TEST_F(CommandLineTest, ImportingAFileAgainAddsNothingAndSaysWhy) {
    write(book, bookOf({contact("Ann", "", "ann@example.com")}));
    write(path("in.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nBDAY:2000-01-01\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nEMAIL:x@example.com\r\nEND:VCARD\r\n");
    ASSERT_EQ(run({"--import", path("in.vcf")}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("1 contact has no name; it will be skipped."), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("1 birthday is not stored."), std::string::npos) << out.str();
    const std::string once = read(book);
    EXPECT_EQ(run({"--import", path("in.vcf")}), kExitFailed);
    EXPECT_NE(out.str().find("1 contact is already in the book and will be skipped."),
              std::string::npos)
        << out.str();
    EXPECT_EQ(read(book), once);
}

TEST_F(CommandLineTest, UsageRules) {
    EXPECT_EQ(run({"--help"}), kExitOk);
    EXPECT_NE(out.str().find("--query TEXT"), std::string::npos);
    EXPECT_EQ(run({"--version"}), kExitOk);
    EXPECT_EQ(out.str(), "Quenlark Address Book 2.4.2\n");
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--frobnicate"},
                                               {"--query"},
                                               {"--query", "a", "b"},
                                               {"--import", "f", "--no"},
                                               {"--export-csv"},
                                               {}}) {
        EXPECT_EQ(run(wrong), kExitUsage);
        EXPECT_NE(err.str().find("Usage:"), std::string::npos);
    }
    const char* window[] = {"quenlark-addressbook"};
    const char* display[] = {"quenlark-addressbook", "-display", ":1"};
    const char* query[] = {"quenlark-addressbook", "--query", "x"};
    EXPECT_FALSE(WantsCommandLine(1, window));
    EXPECT_FALSE(WantsCommandLine(3, display));
    EXPECT_TRUE(WantsCommandLine(3, query));
    // No book yet: a word, not a crash.
    book.clear();
    EXPECT_EQ(run({"--query", "x"}), kExitFailed);
    EXPECT_NE(err.str().find("There is no address book"), std::string::npos);
}

TEST_F(CommandLineTest, ExportsNeverReplaceTheBookUnderAnyName) {
    write(book, bookOf({contact("Ann", "", "ann@example.com")}));
    const std::string before = read(book);
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_directory_symlink(dir, dir / "linked");
    std::filesystem::create_hard_link(book, path("hard.qab"));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    for (const char* option : {"--export-csv", "--export-vcard"})
        for (const std::string& name :
             {std::string("./addressbook.qab"), std::string("sub/../addressbook.qab"),
              path("linked/addressbook.qab"), path("hard.qab")}) {
            SCOPED_TRACE(std::string(option) + " " + name);
            EXPECT_EQ(run({option, name}), kExitFailed);
            EXPECT_NE(err.str().find("is the address book itself"), std::string::npos) << err.str();
        }
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(read(book) == before);
}

TEST_F(CommandLineTest, QueryAndExportSeeTheBookAsTheNextOpenWill) {
    write(book, bookOf({contact("Ann Lee", "", "ann@example.com")}));
    {
        // An Add killed after its record was written: the next open takes it back out.
        OneBookSettings settings(book);
        SilentMessages quiet;
        AddressBookEngine window(settings, quiet, dir.string());
        ASSERT_TRUE(window.OpenAddressBook());
        DyingDisk disk(3);
        ASSERT_FALSE(window.AppendContact(contact("Cy Added", "", "cy@example.com")));
    }
    ASSERT_GT(read(book).size(), bookOf({contact("Ann Lee", "", "ann@example.com")}).size());
    EXPECT_EQ(run({"--query", "Added"}), kExitFailed);
    EXPECT_EQ(run({"--query", "example"}), kExitOk);
    EXPECT_EQ(out.str(), "Quenlark Address Book: 1 address found\nann@example.com\tAnn Lee\t\n");
    ASSERT_EQ(run({"--export-csv", "-"}), kExitOk);
    EXPECT_EQ(out.str().find("Added"), std::string::npos);
    EXPECT_NE(out.str().find("Ann Lee"), std::string::npos);

    // A journal the next open would not apply (others may read it) leaves the book as it is.
    ::chmod(RollbackJournal::PathFor(book).c_str(), 0644);
    EXPECT_EQ(run({"--query", "Added"}), kExitOk);
}

TEST_F(CommandLineTest, ImportNamesWhyTheBookCannotBeChanged) {
    write(path("in.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nEND:VCARD\r\n");
    // A book nobody may write.
    write(book, bookOf({}));
    ::chmod(book.c_str(), 0444);
    EXPECT_EQ(run({"--import", path("in.vcf")}), kExitFailed);
    EXPECT_NE(err.str().find("it is read-only"), std::string::npos) << err.str();
    EXPECT_TRUE(read(book) == bookOf({}));
    ::chmod(book.c_str(), 0600);

    // An empty book whose header cannot be written: a message, not an abort.
    write(book, "");
    {
        FaultyFileSystem disk;
        disk.failAt = 1;
        EXPECT_EQ(run({"--import", path("in.vcf")}), kExitFailed);
    }
    EXPECT_NE(err.str().find("Cannot write a new header"), std::string::npos) << err.str();

    // A folder under the journal's name is moved aside and named; the import goes on.
    std::filesystem::create_directory(RollbackJournal::PathFor(book));
    ASSERT_EQ(run({"--import", path("in.vcf")}), kExitOk) << err.str();
    EXPECT_NE(err.str().find("is a folder"), std::string::npos) << err.str();
    EXPECT_TRUE(std::filesystem::is_directory(RollbackJournal::PathFor(book) + ".not-applied"));
    EXPECT_TRUE(read(book) == bookOf({contact("Bob", "", "")}));
}
