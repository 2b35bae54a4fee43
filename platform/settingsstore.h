// The per-user store of the program's settings: named string and 32-bit number values
// kept in a small human-readable file, by default ~/.config/quenlark/addressbook.ini.
//
// Every look-up reads the file again, so a change made by hand or through another store is
// seen; every change replaces the file as a whole (a symbolic link stays a link and its
// target is replaced). A change that cannot be written is kept in memory for the store's
// life, so the run goes on with it, and is written with the next change that can be.
// A file that cannot be read (no permission, a folder, a FIFO, a device) is never
// written, nor is one without write permission: the store goes on in memory from what it
// last read and leaves the file as the person left it. lastFailure() tells why something
// was not read or saved.
#pragma once

#include "engine/enginehost.h"
#include "engine/result.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace quenlark {

class SettingsStore : public SettingsAccess {
public:
    // The file in the program's folder under XDG_CONFIG_HOME (or ~/.config). When neither
    // names a folder, the store has no file and keeps everything in memory.
    SettingsStore();
    explicit SettingsStore(std::string filePath);

    const std::string& filePath() const { return path_; }
    static std::string defaultFilePath();

    // The value of that name, or nothing when it is missing or of the other kind. A file
    // that cannot be read reads as holding no values (lastFailure() says why).
    std::optional<std::string> findText(const std::string& name);
    std::optional<std::int32_t> findNumber(const std::string& name);
    bool valueExists(const std::string& name);
    // For the engine (SettingsAccess): the text of that name; a failure when the value is a
    // number, as a text cannot be made of it.
    Result readText(const std::string& name, std::optional<std::string>& value) override;
    // Stores a value; a failure says why the file was not written (the value is kept in
    // memory all the same).
    Result storeText(const std::string& name, const std::string& value) override;
    Result storeNumber(const std::string& name, std::int32_t value);
    // Removes a value (for this run only, when the file cannot be written: lastFailure()).
    void deleteValue(const std::string& name);

    // The latest failure to read or write the file, or success when there was none.
    const Result& lastFailure() const { return lastFailure_; }

    using Value = std::variant<std::string, std::int32_t>;
    using Values = std::map<std::string, Value>;

    // The file's text for a set of values, and the values a text holds. A value is a number
    // when it is written as "dword:" and hex digits, or as a plain decimal number; a quoted
    // value is a text, and so is anything else. Exposed for tests.
    static std::string format(const Values& values);
    static Values parse(const std::string& text);

private:
    // What the file holds now (or held when it was last read) with the unsaved changes.
    Values current();
    std::optional<Value> find(const std::string& name);
    Result change(const std::string& name, std::optional<Value> value);
    Result readFile(Values& values) const;
    Result writeFile(const Values& values) const;

    std::string path_;
    Values lastRead_;
    std::map<std::string, std::optional<Value>> unsaved_; // nothing: removed
    Result readOutcome_; // success until the file once could not be read
    Result lastFailure_;
};

} // namespace quenlark
