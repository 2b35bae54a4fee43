// --sync-setup as a person runs it: the built program (and its sync module) against real
// servers, with the password from each of its places, and the settings file afterwards.
#include "synctestkit.h"

#include "sync/keyringnames.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quenlark;
using namespace quenlark::synctest;
using Kind = CardDavServer::Kind;

namespace {

class SetupTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        server_ = std::make_unique<CardDavServer>(GetParam());
        work_ = server_->makeAddressBook("work", "Work");
        server_->makeAddressBook("family", "Family");
    }
    // The program with a home of its own; its exit status, its output in `output`.
    int run(const std::vector<std::string>& args, const std::string& password,
            const std::string& input, std::string& output) {
        std::vector<std::string> argv{QUENLARK_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunCommand(argv, output,
                          {"HOME=" + home_.path(), "XDG_CONFIG_HOME=" + home_.path() + "/config",
                           "XDG_DATA_HOME=" + home_.path() + "/data",
                           "QUENLARK_SYNC_PASSWORD=" + password, "DBUS_SESSION_BUS_ADDRESS=",
                           "XDG_RUNTIME_DIR=" + home_.path(), "QUENLARK_SYNC_TIMEOUTS=3,3,10"},
                          input);
    }
    std::string settings() const {
        return ReadFile(home_.path() + "/config/quenlark/addressbook.ini");
    }

    std::unique_ptr<CardDavServer> server_;
    std::string work_;
    TempFolder home_;
};

TEST_P(SetupTest, KeepsTheAccountButNeverThePassword) {
    const std::string root = server_->origin() + "/";
    const std::string password = CardDavServer::kPassword;
    const struct {
        std::vector<std::string> args;
        std::string password, input;
        int status;
        std::string says;     // in the output
        std::string keptBook; // what the settings then name ("" when nothing is kept)
    } cases[] = {
        {{"--sync-setup", work_, "--user", "alice"},
         password,
         "",
         0,
         "from QUENLARK_SYNC_PASSWORD",
         work_},
        {{"--sync-setup", root, "--user", "alice", "--book", "Family"},
         "",
         password + "\n",
         0,
         "(choose one with --book NAME):\n  \"", // the others follow
         server_->origin() + server_->homePath() + "family/"},
        {{"--sync-setup", root, "--user", "alice", "--book", "Nope"},
         password,
         "",
         1,
         "No address book is named \"Nope\"",
         ""},
        {{"--sync-setup", root, "--user", "alice"}, "", "", 1, "No password for alice", ""},
        {{"--sync-setup", "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/", "--user",
          "alice"},
         password,
         "",
         1,
         "No connection to 127.0.0.1",
         ""},
        {{"--sync-setup", root}, password, "", 2, "needs --user NAME", ""},
        {{"--sync-setup", root, "--user"}, password, "", 2, "wrong arguments", ""},
        {{"--sync-setup", "cloud.example.com", "--user", "a"},
         password,
         "",
         2,
         "is not an http:// or https:// address",
         ""},
        {{"--sync", "--now"}, password, "", 2, "wrong arguments for --sync", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + (c.args.size() > 4 ? " " + c.args.back() : ""));
        std::filesystem::remove_all(home_.path() + "/config");
        std::string output;
        EXPECT_EQ(run(c.args, c.password, c.input, output), c.status) << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        if (c.keptBook.find("family") != std::string::npos) {
            EXPECT_NE(output.find("  \"Work\" (" + work_ + ")\n"), std::string::npos);
        }
        const std::string kept = settings();
        EXPECT_EQ(kept.find(password), std::string::npos);
        EXPECT_EQ(output.find(password), std::string::npos);
        if (c.keptBook.empty())
            EXPECT_EQ(kept.find("Sync"), std::string::npos) << kept;
        else
            EXPECT_NE(kept.find("Sync Address Book=\"" + c.keptBook + "\""), std::string::npos)
                << kept;
    }
    if (server_->checksPasswords()) {
        std::string output;
        EXPECT_EQ(run({"--sync-setup", root, "--user", "alice"}, "guess", "", output), 1);
        EXPECT_NE(output.find("refused the user name or the password (401)"), std::string::npos)
            << output;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SetupTest, ::testing::Values(Kind::Radicale, Kind::Xandikos),
                         [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

// The window stores the password with QtKeychain; the command line finds that very item.
TEST(Keyring, SetupFindsThePasswordTheWindowStored) {
    CardDavServer server(Kind::Radicale);
    const std::string book = server.makeAddressBook("work", "Work");
    std::string output;
    const int status =
        RunCommand({"dbus-run-session", "--", QUENLARK_KEYRING_SESSION, QUENLARK_KEYCHAIN_WRITER,
                    QUENLARK_PROGRAM, book, CardDavServer::kUser, CardDavServer::kPassword},
                   output);
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("password from the keyring"), std::string::npos) << output;
    EXPECT_NE(output.find("exit 0"), std::string::npos) << output;
}

} // namespace
