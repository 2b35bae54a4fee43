// A system-wide marker that one copy of the program is running. It is a lock on a file
// in the user's runtime folder, which the kernel drops when the process ends, however it
// ends, so a crashed or killed copy never blocks the next start.
#pragma once

#include <string>

namespace quenlark {

inline constexpr char kInstanceMutexName[] = "Quenlark Address Book 2_4 Mutex";

class InstanceGuard {
public:
    // The marker file lives in $XDG_RUNTIME_DIR, or in a private folder under /tmp.
    explicit InstanceGuard(const std::string& name = kInstanceMutexName);
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

    static std::string defaultDirectory();

private:
    std::string path_;
    int fd_ = -1;
    bool alreadyRunning_ = false;
};

} // namespace quenlark
