// Shared set-up for the engine tests: a temporary folder, settings kept in memory and
// a recorder for the engine's own messages.
#pragma once

#include "engine/addressbookengine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quenlark::test {

class MemorySettings : public SettingsAccess {
public:
    Result readText(const std::string& name, std::optional<std::string>& value) override {
        if (failing)
            return Result::Fail(Failure::Io, "settings unavailable");
        auto it = strings.find(name);
        value = it == strings.end() ? std::nullopt : std::optional(it->second);
        return {};
    }
    Result storeText(const std::string& name, const std::string& value) override {
        if (failing)
            return Result::Fail(Failure::Io, "settings unavailable");
        strings[name] = value;
        return {};
    }

    std::map<std::string, std::string> strings;
    bool failing = false;
};

struct ShownMessage {
    std::string title;
    std::string text;
    MessageKind kind;
};

class RecordingSink : public MessageSink {
public:
    void showMessage(const std::string& title, const std::string& text, MessageKind kind) override {
        shown.push_back({title, text, kind});
    }
    std::vector<ShownMessage> shown;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string dbPath() const { return path("addressbook.qab"); }
    // Points the settings at `file` under the test folder.
    void useDatabase(const std::string& file) { settings.strings[kActiveAddressBookValue] = file; }

    static std::string readFile(const std::string& file);
    static void writeFile(const std::string& file, const std::string& bytes);
    // A header followed by one record per name.
    static std::string databaseWith(const std::vector<std::string>& names);
    static ContactRecord recordNamed(const std::string& name);
    std::vector<std::string> indexNames() const;
    // Opens a database of these contacts and loads its index.
    void openWith(const std::vector<std::string>& names);

    std::filesystem::path dir;
    MemorySettings settings;
    RecordingSink sink;
    std::unique_ptr<AddressBookEngine> engine;
};

} // namespace quenlark::test
