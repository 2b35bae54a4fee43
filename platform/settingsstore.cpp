#include "platform/settingsstore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

constexpr char kSection[] = "[Software\\Quenlark\\Address Book]";

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

bool makeDirs(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirs(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

SettingsStore::SettingsStore() : path_(defaultFilePath()) {}

SettingsStore::SettingsStore(std::string filePath) : path_(std::move(filePath)) {}

std::string SettingsStore::defaultFilePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return base + "/quenlark/addressbook.ini";
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
                          std::uint32_t(std::get<std::int32_t>(value)));
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
        } else if (raw.rfind("dword:", 0) == 0) {
            char* end = nullptr;
            const unsigned long v = std::strtoul(raw.c_str() + 6, &end, 16);
            if (end && *end == '\0' && raw.size() > 6 && v <= 0xFFFFFFFFul)
                values[name] = std::int32_t(std::uint32_t(v));
            else
                values[name] = raw;
        } else {
            values[name] = raw; // a hand-edited value without quotes is still a string
        }
    }
    return values;
}

SettingsStore::Values SettingsStore::load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        if (errno == ENOENT)
            return {};
        throw SettingsError("Cannot read the settings file " + path_);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

void SettingsStore::save(const Values& values) {
    const auto slash = path_.find_last_of('/');
    if (slash != std::string::npos && !makeDirs(path_.substr(0, slash)))
        throw SettingsError("Cannot create the folder of the settings file " + path_);
    const std::string text = format(values);
    std::string temp = path_ + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw SettingsError("Cannot write the settings file " + path_);
    bool ok = ::fchmod(fd, 0600) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0 && errno != EINTR)
            ok = false;
        else if (n > 0)
            done += std::size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path_.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw SettingsError("Cannot write the settings file " + path_);
    }
}

std::optional<std::string> SettingsStore::readString(const std::string& name) {
    const Values values = load();
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&it->second))
        return *s;
    throw SettingsError("The setting \"" + name + "\" is not a text");
}

void SettingsStore::writeString(const std::string& name, const std::string& value) {
    Values values = load();
    values[name] = value;
    save(values);
}

std::optional<std::int32_t> SettingsStore::readNumber(const std::string& name) {
    const Values values = load();
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    if (const auto* n = std::get_if<std::int32_t>(&it->second))
        return *n;
    throw SettingsError("The setting \"" + name + "\" is not a number");
}

void SettingsStore::writeNumber(const std::string& name, std::int32_t value) {
    Values values = load();
    values[name] = value;
    save(values);
}

bool SettingsStore::valueExists(const std::string& name) {
    return load().count(name) != 0;
}

void SettingsStore::deleteValue(const std::string& name) {
    Values values = load();
    if (values.erase(name) != 0)
        save(values);
}

} // namespace quenlark
