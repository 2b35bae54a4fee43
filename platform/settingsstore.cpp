#include "platform/settingsstore.h"

#include "engine/atomicfile.h"
#include "engine/fileio.h"
#include "platform/xdgdirs.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

constexpr char kSection[] = "[Software\\Quenlark\\Address Book]";
constexpr char kFileName[] = "addressbook.ini";
// Far more than the program ever writes: a larger file is something else.
constexpr std::int64_t kLargestFile = 1 << 20;

std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + '"';
}

std::string unquote(const std::string& s) {
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == '\\' && i + 2 < s.size()) {
            ++i;
            out += s[i] == 'n' ? '\n' : s[i];
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool startsWithDword(std::string_view raw) {
    constexpr std::string_view prefix = "dword:";
    if (raw.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((raw[i] | 0x20) != prefix[i])
            return false;
    return true;
}

// "dword:" and hex digits, as the file writes numbers.
std::optional<std::int32_t> parseDword(std::string_view raw) {
    const std::string_view digits = raw.substr(6);
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// A decimal number as a person types it ("1", "0", "-2"); like a dword, values above the
// largest signed one wrap round.
std::optional<std::int32_t> parseDecimal(std::string_view raw) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
    if (raw.empty() || error != std::errc() || end != raw.data() + raw.size() ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::int64_t{std::numeric_limits<std::uint32_t>::max()})
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

SettingsStore::SettingsStore() : path_(defaultFilePath()) {}

SettingsStore::SettingsStore(std::string filePath) : path_(std::move(filePath)) {}

std::string SettingsStore::defaultFilePath() {
    const std::string folder = QuenlarkFolder(XdgConfigHome());
    return folder.empty() ? std::string() : folder + '/' + kFileName;
}

std::string SettingsStore::format(const Values& values) {
    std::string out = "; Quenlark Address Book settings\n";
    out += kSection;
    out += '\n';
    for (const auto& [name, value] : values) {
        out += name + '=';
        if (const auto* s = std::get_if<std::string>(&value)) {
            out += quote(*s);
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x",
                          static_cast<std::uint32_t>(std::get<std::int32_t>(value)));
            out += buf;
        }
        out += '\n';
    }
    return out;
}

SettingsStore::Values SettingsStore::parse(const std::string& text) {
    Values values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = trim(line.substr(0, eq));
        const std::string raw = trim(line.substr(eq + 1));
        if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
            values[name] = unquote(raw);
            continue;
        }
        if (const auto number = startsWithDword(raw) ? parseDword(raw) : parseDecimal(raw))
            values[name] = *number;
        else
            values[name] = raw; // a hand-edited value without quotes is a text
    }
    return values;
}

Result SettingsStore::readFile(Values& values) const {
    values.clear();
    if (path_.empty())
        return {};
    struct stat st {};
    if (fileio::Fs().stat(path_.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return {}; // no settings yet
    int fd = -1;
    if (Result opened = fileio::openRegularForReading(path_, fd); !opened)
        return opened;
    const std::int64_t size = fileio::sizeOf(fd);
    if (size < 0 || size > kLargestFile) {
        const int why = size < 0 ? errno : EFBIG;
        fileio::closeFd(fd);
        return Result::FromErrno("Cannot read \"" + path_ + "\"", why);
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    const std::int64_t got = fileio::readAt(fd, text.data(), text.size(), 0);
    const int why = errno;
    fileio::closeFd(fd);
    if (got < 0)
        return Result::FromErrno("Cannot read \"" + path_ + "\"", why);
    text.resize(static_cast<std::size_t>(got));
    values = parse(text);
    return {};
}

Result SettingsStore::writeFile(const Values& values) const {
    if (path_.empty())
        return Result::Fail(Failure::Io, "There is no folder for the settings: neither "
                                         "XDG_CONFIG_HOME nor HOME names one");
    if (Result folder = MakeFolders(fileio::parentDir(path_)); !folder)
        return folder;
    const std::string text = format(values);
    AtomicFileWriter file;
    if (Result opened = file.open(path_); !opened)
        return opened;
    // A file the person made read-only is left as it is, whoever runs the program.
    const std::string& target = file.target();
    struct stat st {};
    if (fileio::Fs().stat(target.c_str(), &st) == 0 &&
        ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return Result::Fail(Failure::Io, "\"" + target + "\" is read-only");
    if (Result written = file.write(text.data(), text.size()); !written)
        return written;
    // Once renamed, the new settings are in the file even if the folder's flush failed.
    if (Result committed = file.commit(); !committed && !file.renamed())
        return committed;
    return {};
}

SettingsStore::Values SettingsStore::current() {
    if (readOutcome_) {
        Values values;
        if (Result read = readFile(values); read) {
            lastRead_ = std::move(values);
        } else {
            readOutcome_ = read;
            lastFailure_ = read;
        }
    }
    Values values = lastRead_;
    for (const auto& [name, value] : unsaved_) {
        if (value)
            values[name] = *value;
        else
            values.erase(name);
    }
    return values;
}

Result SettingsStore::change(const std::string& name, std::optional<Value> value) {
    Values values = current();
    if (value)
        values[name] = *value;
    else
        values.erase(name);
    unsaved_[name] = std::move(value);
    // A file that could not be read would lose what it holds: it is left alone.
    Result written = readOutcome_ ? writeFile(values) : readOutcome_;
    if (written) {
        unsaved_.clear();
        lastRead_ = std::move(values);
    } else {
        lastFailure_ = written;
    }
    return written;
}

std::optional<SettingsStore::Value> SettingsStore::find(const std::string& name) {
    Values values = current();
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return std::move(it->second);
}

std::optional<std::string> SettingsStore::findText(const std::string& name) {
    if (auto value = find(name))
        if (auto* text = std::get_if<std::string>(&*value))
            return std::move(*text);
    return std::nullopt;
}

std::optional<std::int32_t> SettingsStore::findNumber(const std::string& name) {
    if (const auto value = find(name))
        if (const auto* number = std::get_if<std::int32_t>(&*value))
            return *number;
    return std::nullopt;
}

bool SettingsStore::valueExists(const std::string& name) {
    return current().count(name) != 0;
}

Result SettingsStore::storeText(const std::string& name, const std::string& value) {
    return change(name, Value(value));
}

Result SettingsStore::storeNumber(const std::string& name, std::int32_t value) {
    return change(name, Value(value));
}

void SettingsStore::deleteValue(const std::string& name) {
    if (!valueExists(name))
        return;
    [[maybe_unused]] const Result removed = change(name, std::nullopt);
}

Result SettingsStore::readText(const std::string& name, std::optional<std::string>& value) {
    value.reset();
    auto found = find(name);
    if (!found)
        return {};
    if (auto* text = std::get_if<std::string>(&*found)) {
        value = std::move(*text);
        return {};
    }
    return Result::Fail(Failure::BadArgument, "The setting \"" + name + "\" is not a text");
}

} // namespace quenlark
