// Small POSIX file helpers that never report a short transfer as success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quenlark::fileio {

// Reads up to `size` bytes at `offset`, retrying after interruptions and partial reads.
// Returns the number of bytes read (less only at the end of the file), or -1 on error.
std::int64_t readAt(int fd, char* buffer, std::size_t size, std::int64_t offset);
// Writes all `size` bytes at `offset`; false if any byte could not be written.
bool writeAt(int fd, const char* data, std::size_t size, std::int64_t offset);
// The file's size, or -1.
std::int64_t sizeOf(int fd);
// Reads the whole file into `out`; false on any read error.
bool readWhole(int fd, std::string& out);
// Opens with the given flags and takes a non-blocking advisory lock (exclusive or
// shared). Returns the descriptor, or -1 when the file cannot be opened or is locked.
int openLocked(const std::string& path, int flags, bool exclusive);
void closeFd(int& fd);
// Flushes the file's data to the disk.
bool sync(int fd);
// Flushes the directory entry of `path` after a rename into it.
bool syncParentDir(const std::string& path);

} // namespace quenlark::fileio
