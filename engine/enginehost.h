// What the engine needs from its surroundings: the store of named values that keeps the
// active database path, and a way to tell the person the outcome of a repair.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace quenlark {

// Raised when the settings store cannot be read or written.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SettingsAccess {
public:
    virtual ~SettingsAccess() = default;
    // The string value of that name, or nothing when it does not exist. Throws
    // SettingsError when the store fails or the value is not a string.
    virtual std::optional<std::string> readString(const std::string& name) = 0;
    // Stores a string value; throws SettingsError on failure.
    virtual void writeString(const std::string& name, const std::string& value) = 0;
    // The 32-bit number value of that name, or nothing when it does not exist. Throws
    // SettingsError when the store fails or the value is not a number.
    virtual std::optional<std::int32_t> readNumber(const std::string& name) = 0;
    // Stores a 32-bit number value; throws SettingsError on failure.
    virtual void writeNumber(const std::string& name, std::int32_t value) = 0;
};

enum class MessageKind { Information, Error };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows a message with an OK button and no owner window. Texts are UTF-8.
    virtual void showMessage(const std::string& title, const std::string& text,
                             MessageKind kind) = 0;
};

// Settings for an engine that works on one given book and keeps nothing: the command line,
// benchmarks and tests.
class OneBookSettings : public SettingsAccess {
public:
    explicit OneBookSettings(std::string path) : path_(std::move(path)) {}
    std::optional<std::string> readString(const std::string&) override { return path_; }
    void writeString(const std::string&, const std::string&) override {}
    std::optional<std::int32_t> readNumber(const std::string&) override { return std::nullopt; }
    void writeNumber(const std::string&, std::int32_t) override {}

private:
    std::string path_;
};

// Messages nobody is there to see.
class SilentMessages : public MessageSink {
public:
    void showMessage(const std::string&, const std::string&, MessageKind) override {}
};

} // namespace quenlark
