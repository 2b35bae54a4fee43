// What the engine needs from its surroundings: the store of named values that keeps the
// active database path, and a way to tell the person the outcome of a repair.
#pragma once

#include "engine/result.h"

#include <optional>
#include <string>
#include <utility>

namespace quenlark {

// The store of named values, as the engine sees it. Nothing here throws: a failure comes
// back as a Result that says why.
class SettingsAccess {
public:
    virtual ~SettingsAccess() = default;
    // Puts the text value of that name in `value`, or nothing when there is none. A failure
    // when the store cannot say, or when the value is not a text.
    virtual Result readText(const std::string& name, std::optional<std::string>& value) = 0;
    // Stores a text value; a failure says why it did not reach the store.
    virtual Result storeText(const std::string& name, const std::string& value) = 0;
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
    Result readText(const std::string&, std::optional<std::string>& value) override {
        value = path_;
        return {};
    }
    Result storeText(const std::string&, const std::string&) override { return {}; }

private:
    std::string path_;
};

// Messages nobody is there to see.
class SilentMessages : public MessageSink {
public:
    void showMessage(const std::string&, const std::string&, MessageKind) override {}
};

} // namespace quenlark
