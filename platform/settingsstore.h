// The per-user store of the program's settings: named string and 32-bit number values
// kept in a small human-readable file, by default ~/.config/quenlark/addressbook.ini.
#pragma once

#include "engine/enginehost.h"

#include <map>
#include <string>
#include <variant>

namespace quenlark {

class SettingsStore : public SettingsAccess {
public:
    // The file under $XDG_CONFIG_HOME (or ~/.config when that is unset).
    SettingsStore();
    explicit SettingsStore(std::string filePath);

    const std::string& filePath() const { return path_; }
    static std::string defaultFilePath();

    std::optional<std::string> readString(const std::string& name) override;
    void writeString(const std::string& name, const std::string& value) override;
    std::optional<std::int32_t> readNumber(const std::string& name) override;
    void writeNumber(const std::string& name, std::int32_t value) override;
    bool valueExists(const std::string& name);
    void deleteValue(const std::string& name);

    using Value = std::variant<std::string, std::int32_t>;
    using Values = std::map<std::string, Value>;

    // The file's text for a set of values, and the values a text holds. Exposed for tests.
    static std::string format(const Values& values);
    static Values parse(const std::string& text);

private:
    Values load();
    void save(const Values& values);

    std::string path_;
};

} // namespace quenlark
