// A power cut at any moment of a change: the engine's calls that change files are recorded,
// and every prefix of that record is replayed onto a model of a disk that keeps only what
// was flushed. What a file's flush covers is its data; what a folder's flush covers is its
// names. Each prefix is tried every way the disk may have kept it: the folder's names as
// flushed or as written, and each file's data, on its own, as flushed or as written. After
// the next open each must give the book as before or as after the change, and once the
// change has been reported done, as after it. The files keep their identity (device and
// inode) in the replay, as journals name the book by it.
#include "enginefixture.h"

#include "engine/fileio.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct Step {
    enum Kind { Create, Write, Truncate, Sync, SyncDir, Rename, Unlink, Link };
    explicit Step(Kind k, ino_t i = 0, std::string p = {}, std::string p2 = {})
        : kind(k), ino(i), path(std::move(p)), path2(std::move(p2)) {}
    Kind kind;
    ino_t ino;
    std::string path;
    std::string path2;
    std::int64_t offset = 0;
    std::string data;
};

// Passes every call to the kernel and records those that change files, by inode.
class RecordingFileSystem : public fileio::FileSystem {
public:
    std::vector<Step> steps;

    RecordingFileSystem() { fileio::SetFileSystem(this); }
    ~RecordingFileSystem() override { fileio::SetFileSystem(nullptr); }

    int open(const char* path, int flags, mode_t mode) override {
        struct stat before {};
        const bool existed = ::lstat(path, &before) == 0 && !(flags & O_TMPFILE);
        const int fd = FileSystem::open(path, flags, mode);
        if (fd < 0)
            return fd;
        const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE; // O_TMPFILE holds O_DIRECTORY
        if (!unnamed && (flags & O_DIRECTORY)) {
            dirs_[fd] = path;
        } else if (unnamed || ((flags & O_CREAT) && !existed)) {
            Step s{Step::Create};
            s.ino = inodeOf(fd);
            if (!unnamed)
                s.path = path;
            steps.push_back(s);
        }
        return fd;
    }
    int close(int fd) override {
        dirs_.erase(fd);
        return FileSystem::close(fd);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) override {
        const ssize_t n = FileSystem::pwrite(fd, data, size, offset);
        if (n > 0) {
            Step s{Step::Write};
            s.ino = inodeOf(fd);
            s.offset = offset;
            s.data.assign(static_cast<const char*>(data), std::size_t(n));
            steps.push_back(s);
        }
        return n;
    }
    // Copies go through reads and writes, so that the record holds their bytes.
    ssize_t copyFileRange(int, off_t*, int, off_t*, std::size_t) override {
        errno = EXDEV;
        return -1;
    }
    int ftruncate(int fd, off_t size) override {
        const int r = FileSystem::ftruncate(fd, size);
        if (r == 0) {
            Step s{Step::Truncate};
            s.ino = inodeOf(fd);
            s.offset = size;
            steps.push_back(s);
        }
        return r;
    }
    int fsync(int fd) override {
        const int r = FileSystem::fsync(fd);
        Step s{dirs_.count(fd) ? Step::SyncDir : Step::Sync};
        if (s.kind == Step::SyncDir)
            s.path = dirs_[fd];
        else
            s.ino = inodeOf(fd);
        steps.push_back(s);
        return r;
    }
    int rename(const char* from, const char* to) override {
        const int r = FileSystem::rename(from, to);
        if (r == 0)
            steps.push_back(Step{Step::Rename, 0, from, to});
        return r;
    }
    int unlink(const char* path) override {
        const int r = FileSystem::unlink(path);
        if (r == 0)
            steps.push_back(Step{Step::Unlink, 0, path});
        return r;
    }
    int link(const char* from, const char* to, int flags) override {
        struct stat st {};
        ::stat(from, &st);
        const int r = FileSystem::link(from, to, flags);
        if (r == 0)
            steps.push_back(Step{Step::Link, st.st_ino, to});
        return r;
    }

private:
    static ino_t inodeOf(int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        return st.st_ino;
    }
    std::map<int, std::string> dirs_;
};

// What a disk holds of one folder: names and file contents, each as last flushed and as
// last written.
class DiskModel {
public:
    // Starts from the folder as it is, everything flushed.
    explicit DiskModel(const std::filesystem::path& dir) : dir_(dir.string()) {
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            struct stat st {};
            ::lstat(e.path().c_str(), &st);
            std::ifstream in(e.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            inodes_[st.st_ino] = {bytes, bytes};
            names_[e.path().string()] = st.st_ino;
        }
        flushedNames_ = names_;
    }

    // Applies a step; a write only as far as its first `torn` bytes when that is given (a
    // write the cut interrupted).
    void apply(const Step& s, std::size_t torn = std::string::npos) {
        switch (s.kind) {
        case Step::Create:
            inodes_[s.ino] = {};
            if (!s.path.empty())
                names_[s.path] = s.ino;
            break;
        case Step::Write: {
            std::string& f = inodes_[s.ino].written;
            const std::string_view data = std::string_view(s.data).substr(0, torn);
            if (f.size() < std::size_t(s.offset) + data.size())
                f.resize(std::size_t(s.offset) + data.size());
            f.replace(std::size_t(s.offset), data.size(), data);
            break;
        }
        case Step::Truncate:
            inodes_[s.ino].written.resize(std::size_t(s.offset));
            break;
        case Step::Sync:
            inodes_[s.ino].flushed = inodes_[s.ino].written;
            break;
        case Step::SyncDir:
            if (s.path == dir_)
                flushedNames_ = names_;
            break;
        case Step::Rename:
            names_[s.path2] = names_.at(s.path);
            names_.erase(s.path);
            break;
        case Step::Unlink:
            names_.erase(s.path);
            break;
        case Step::Link:
            names_[s.path] = s.ino;
            break;
        }
    }

    // The folder's files after a cut, by name: their inode and data. Names are as flushed
    // or as written; `written(inode)` says for each file whether its data is as written.
    using Files = std::map<std::string, std::pair<ino_t, std::string>>;
    Files after(bool flushedNamesOnly, const std::function<bool(ino_t)>& written) const {
        Files files;
        for (const auto& [name, ino] : flushedNamesOnly ? flushedNames_ : names_) {
            const Inode& f = inodes_.at(ino);
            files[name.substr(dir_.size() + 1)] = {ino, written(ino) ? f.written : f.flushed};
        }
        return files;
    }
    // The files whose unflushed data differs from their flushed data.
    std::vector<ino_t> unsettled() const {
        std::vector<ino_t> out;
        for (const auto& [ino, f] : inodes_)
            if (f.flushed != f.written)
                out.push_back(ino);
        return out;
    }

private:
    struct Inode {
        std::string flushed;
        std::string written;
    };
    std::string dir_;
    std::map<ino_t, Inode> inodes_;
    std::map<std::string, ino_t> names_;
    std::map<std::string, ino_t> flushedNames_;
};

// The replayed files, written anew, answer with the inode numbers of the files they stand for.
class ReplayedIdentities : public fileio::FileSystem {
public:
    std::map<ino_t, ino_t> inodes; // real inode -> the recorded one

    ReplayedIdentities() { fileio::SetFileSystem(this); }
    ~ReplayedIdentities() override { fileio::SetFileSystem(nullptr); }

    int fstat(int fd, struct stat* st) override { return mapped(FileSystem::fstat(fd, st), st); }
    int stat(const char* path, struct stat* st) override {
        return mapped(FileSystem::stat(path, st), st);
    }
    int lstat(const char* path, struct stat* st) override {
        return mapped(FileSystem::lstat(path, st), st);
    }

private:
    int mapped(int result, struct stat* st) const {
        if (result == 0)
            if (const auto it = inodes.find(st->st_ino); it != inodes.end())
                st->st_ino = it->second;
        return result;
    }
};

std::vector<std::string> names(int count, const std::string& prefix) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(prefix + std::to_string(i));
    return out;
}

} // namespace

class PowerLossTest : public EngineTest {
protected:
    // Records `change` on the book `before`, then checks every cut of its record.
    void everyCut(const std::string& before, const std::string& after,
                  const std::function<void(AddressBookEngine&)>& change) {
        const std::filesystem::path live = dir / "live";
        std::filesystem::create_directory(live);
        writeFile((live / "addressbook.qab").string(), before);
        writeFile((live / "backup.QuenlarkBackup").string(), backupBytes);
        settings.strings[kActiveAddressBookValue] = (live / "addressbook.qab").string();
        AddressBookEngine recorded(settings, sink, live.string());
        ASSERT_TRUE(recorded.OpenAddressBook());
        recorded.LoadContactIndex();
        DiskModel disk(live);
        std::vector<Step> steps;
        {
            RecordingFileSystem recorder;
            change(recorded);
            steps = recorder.steps;
        }
        recorded.CloseAddressBook();
        ASSERT_TRUE(readFile((live / "addressbook.qab").string()) == after);
        ASSERT_GT(steps.size(), 3u);

        std::set<DiskModel::Files> tried;
        int cuts = 0;
        const auto tryCut = [&](const DiskModel& state, const std::string& where, bool done) {
            const std::vector<ino_t> unsettled = state.unsettled();
            for (const bool namesFlushed : {false, true})
                for (std::size_t ways = 0; ways < (std::size_t(1) << unsettled.size()); ++ways) {
                    const auto written = [&](ino_t ino) {
                        const auto at = std::find(unsettled.begin(), unsettled.end(), ino);
                        return at != unsettled.end() &&
                               (ways >> std::size_t(at - unsettled.begin()) & 1);
                    };
                    const DiskModel::Files files = state.after(namesFlushed, written);
                    if (!tried.insert(files).second && !done)
                        continue;
                    ++cuts;
                    std::string kept;
                    for (const auto& [name, file] : files)
                        kept += ", " + name + (written(file.first) ? " as written" : " as flushed");
                    SCOPED_TRACE(where + (namesFlushed ? ", flushed names" : ", written names") +
                                 kept);
                    checkRecovery(files, before, after, done);
                    if (HasFailure())
                        return false;
                }
            return true;
        };
        const std::string of = " of " + std::to_string(steps.size());
        if (!tryCut(disk, "cut before the first step", false))
            return;
        for (std::size_t k = 0; k < steps.size(); ++k) {
            if (steps[k].kind == Step::Write && steps[k].data.size() > 1) {
                // The cut tears the write: only its first part reached the disk.
                DiskModel torn = disk;
                torn.apply(steps[k], steps[k].data.size() / 2);
                if (!tryCut(torn, "cut in the middle of step " + std::to_string(k + 1) + of, false))
                    return;
            }
            disk.apply(steps[k]);
            // The change was reported done after its last step: it must be on the disk.
            const bool done = k + 1 == steps.size();
            if (!tryCut(disk, "cut after step " + std::to_string(k + 1) + of, done))
                return;
        }
        std::cout << cuts << " different disks after " << steps.size() << " steps\n";
    }

    void checkRecovery(const DiskModel::Files& files, const std::string& before,
                       const std::string& after, bool done) {
        const std::filesystem::path cut = dir / "cut";
        std::filesystem::remove_all(cut);
        std::filesystem::create_directory(cut);
        ReplayedIdentities identities;
        for (const auto& [name, file] : files) {
            const std::string to = (cut / name).string();
            const int fd = ::open(to.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0) << to;
            ASSERT_EQ(::pwrite(fd, file.second.data(), file.second.size(), 0),
                      ssize_t(file.second.size()));
            struct stat st {};
            ::fstat(fd, &st);
            identities.inodes[st.st_ino] = file.first;
            ::close(fd);
        }
        MemorySettings s;
        s.strings[kActiveAddressBookValue] = (cut / "addressbook.qab").string();
        AddressBookEngine reopened(s, sink, cut.string());
        ASSERT_TRUE(reopened.OpenAddressBook());
        reopened.CloseAddressBook();
        const std::string bytes = readFile((cut / "addressbook.qab").string());
        if (done)
            EXPECT_TRUE(bytes == after) << "a change reported done is lost: the book holds "
                                        << bytes.size() << " bytes (after " << after.size() << ")";
        else
            EXPECT_TRUE(bytes == before || bytes == after)
                << "the book holds " << bytes.size() << " bytes (before " << before.size()
                << ", after " << after.size() << ")";
        for (const auto& e : std::filesystem::directory_iterator(cut)) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name == "addressbook.qab" || name == "backup.QuenlarkBackup") << name;
        }
    }

    std::string backupBytes = databaseWith(names(300, "Backed-up "));
};

// A few records over a megabyte, so that copies take more than one block.
const std::vector<std::string> kBook = names(500, "Person ");

TEST_F(PowerLossTest, DeleteOfTheFirstContact) {
    std::vector<std::string> rest = kBook;
    rest.erase(rest.begin());
    everyCut(databaseWith(kBook), databaseWith(rest),
             [](AddressBookEngine& e) { ASSERT_TRUE(e.DeleteContact(e.index().front())); });
}

TEST_F(PowerLossTest, Restore) {
    everyCut(databaseWith(kBook), backupBytes, [&](AddressBookEngine& e) {
        ASSERT_TRUE(e.RestoreBackupCopy((dir / "live" / "backup.QuenlarkBackup").string()));
    });
}

TEST_F(PowerLossTest, RepairAtStartUp) {
    everyCut(databaseWith(kBook), backupBytes, [&](AddressBookEngine& e) {
        e.CloseAddressBook();
        e.RepairAddressBook((dir / "live" / "backup.QuenlarkBackup").string());
    });
}

TEST_F(PowerLossTest, ModifyAndAdd) {
    std::vector<std::string> modified = kBook;
    modified[250] = "Changed";
    everyCut(databaseWith(kBook), databaseWith(modified), [](AddressBookEngine& e) {
        ASSERT_TRUE(e.RewriteContact(e.index()[250], recordNamed("Changed")));
    });
    std::filesystem::remove_all(dir / "live");
    std::vector<std::string> added = kBook;
    added.push_back("Added");
    everyCut(databaseWith(kBook), databaseWith(added),
             [](AddressBookEngine& e) { ASSERT_TRUE(e.AppendContact(recordNamed("Added"))); });
}

TEST_F(PowerLossTest, Import) {
    std::vector<std::string> imported = kBook;
    for (int i = 0; i < 300; ++i) // more than one block of records
        imported.push_back("Imported " + std::to_string(i));
    everyCut(databaseWith(kBook), databaseWith(imported), [](AddressBookEngine& e) {
        int next = 0;
        ASSERT_TRUE(e.AppendContacts([&](ContactRecord& r) {
            if (next == 300)
                return false;
            r = recordNamed("Imported " + std::to_string(next++));
            return true;
        }));
    });
}
