// A system-wide marker that one copy of the program is running. It is a lock on a file
// in the user's runtime folder, which the kernel drops when the process ends, however it
// ends, so a crashed or killed copy never blocks the next start.
#pragma once

#include <string>

namespace quenlark {

inline constexpr char kInstanceMutexName[] = "Quenlark Address Book 2_4 Mutex";

class InstanceGuard {
public:
    // The marker file lives in defaultDirectory().
    explicit InstanceGuard(const std::string& name = kInstanceMutexName);
    // An empty directory leaves the program unguarded: acquire() always succeeds.
    InstanceGuard(const std::string& name, const std::string& directory);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this process now holds the marker; false when another copy holds it.
    // A marker that cannot be made at all does not stop the program: that is true too.
    bool acquire();
    // True when another process held the marker at the last acquire().
    bool alreadyRunning() const { return alreadyRunning_; }
    void release();
    const std::string& lockPath() const { return path_; }

    // $XDG_RUNTIME_DIR; without it /tmp/quenlark-<uid>, then <cache>/quenlark (see below);
    // empty when none of them is safe to use.
    static std::string defaultDirectory();
    // The first usable folder of these: the runtime folder when it is this user's own and
    // closed to others (0700; it is never changed), then each fallback once it is a private
    // folder of this user (created 0700 when missing; a symbolic link, a non-folder or
    // another user's folder is passed over). "" when none. Anyone who can create names in
    // the folder could take the marker's name and keep this user's program from starting.
    static std::string chooseDirectory(const std::string& runtimeDir,
                                       const std::string& sharedFallback,
                                       const std::string& homeFallback);

private:
    std::string path_;
    int fd_ = -1;
    bool alreadyRunning_ = false;
};

} // namespace quenlark
