// Runs one operation of the engine on a database in a folder, for the crash test that kills
// it at a random moment. Prints "go" just before the operation starts and "done" after it.
//
//     crash_worker <operation> <folder>
//
// Operations: delete-first, modify, add, batch, restore, repair, backup. The database is
// <folder>/addressbook.qab; restore and repair read <folder>/backup.QuenlarkBackup; backup
// writes <folder>/out/copy.QuenlarkBackup.
#include "engine/addressbookengine.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>

using namespace quenlark;

namespace {

class SilentSink : public MessageSink {
public:
    void showMessage(const std::string& title, const std::string&, MessageKind) override {
        repaired = title == "Recovary complete!";
    }
    bool repaired = false;
};

void say(const char* word) {
    // A word the test may never read: a failed write changes nothing here.
    [[maybe_unused]] const ssize_t written = ::write(1, word, std::strlen(word));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string op = argv[1];
    const std::string dir = argv[2];
    OneBookSettings settings(dir + "/addressbook.qab");
    SilentSink sink;
    AddressBookEngine engine(settings, sink, dir);
    const std::string backup = dir + "/backup.QuenlarkBackup";
    if (op == "repair") {
        say("go\n");
        engine.RepairAddressBook(backup);
        say(sink.repaired ? "done\n" : "failed\n");
        return 0;
    }
    if (!engine.OpenAddressBook())
        return 3;
    engine.LoadContactIndex();
    ContactRecord changed;
    changed.setText(Field::Name, "Changed by the crash test");
    changed.setText(Field::City, "Nowhere");
    say("go\n");
    Result outcome;
    if (op == "delete-first")
        outcome = engine.DeleteContact(engine.index().front());
    else if (op == "modify")
        outcome = engine.RewriteContact(engine.index()[engine.index().size() / 2], changed);
    else if (op == "add")
        outcome = engine.AppendContact(changed);
    else if (op == "batch") {
        // The first contact removed, the middle one rewritten, one appended.
        AddressBookEngine::Batch batch;
        batch.count = engine.index().size();
        batch.removals.push_back({0, engine.ReadContact(engine.index().front())});
        const std::size_t middle = batch.count / 2;
        batch.rewrites.push_back({middle, engine.ReadContact(engine.index()[middle]), changed});
        bool given = false;
        outcome = engine.ApplyBatch(batch, [&](ContactRecord& r) {
            r = changed;
            return !std::exchange(given, true);
        });
    } else if (op == "restore")
        outcome = engine.RestoreBackupCopy(backup);
    else if (op == "backup")
        outcome = engine.SaveBackupCopy(dir + "/out/copy.QuenlarkBackup");
    else
        return 2;
    say(outcome ? "done\n" : "failed\n");
    return 0;
}
