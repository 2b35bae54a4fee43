// What the engine needs from its surroundings: the store of named values that keeps the
// active database path, and a way to tell the person the outcome of a repair.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

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

} // namespace quenlark
