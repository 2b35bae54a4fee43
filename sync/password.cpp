#include "sync/password.h"

#include "sync/keyringnames.h"

#include <libsecret/secret.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unistd.h>

namespace quenlark::sync {

namespace {

constexpr char kPasswordVariable[] = "QUENLARK_SYNC_PASSWORD";
constexpr std::size_t kLongestPassword = 4096;

// Whether a session bus is there to ask: without one, libsecret would try to start one.
bool haveSessionBus() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

bool readStandardInput(std::string& password) {
    if (::isatty(STDIN_FILENO))
        return false;
    password.clear();
    char c = 0;
    while (password.size() < kLongestPassword) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1); // no further: the rest is not ours
        if (n <= 0 || c == '\n')
            break;
        password += c;
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return !password.empty();
}

} // namespace

const char* DescribeSource(PasswordSource source) {
    switch (source) {
    case PasswordSource::Environment:
        return kPasswordVariable;
    case PasswordSource::Keyring:
        return "the keyring";
    case PasswordSource::StandardInput:
        return "standard input";
    }
    return "";
}

bool ReadKeyringPassword(const std::string& user, const std::string& url, std::string& password) {
    if (!haveSessionBus())
        return false;
    static const SecretSchema schema = {kKeyringSchema,
                                        SECRET_SCHEMA_NONE,
                                        {{kKeyringKeyAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {kKeyringServiceAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {kKeyringTypeAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    GError* error = nullptr;
    const std::string key = KeyringKey(user, url);
    gchar* secret = secret_password_lookup_sync(
        &schema, nullptr, &error, kKeyringKeyAttribute, key.c_str(), kKeyringServiceAttribute,
        kKeyringService, kKeyringTypeAttribute, kKeyringTextType, nullptr);
    if (error)
        g_error_free(error);
    if (!secret)
        return false;
    password = secret;
    secret_password_free(secret); // wipes it
    return !password.empty();
}

Result FindPassword(const std::string& user, const std::string& url, std::string& password,
                    PasswordSource& source) {
    if (const char* value = std::getenv(kPasswordVariable); value && *value) {
        password = value;
        source = PasswordSource::Environment;
        return {};
    }
    if (ReadKeyringPassword(user, url, password)) {
        source = PasswordSource::Keyring;
        return {};
    }
    if (readStandardInput(password)) {
        source = PasswordSource::StandardInput;
        return {};
    }
    return Result::Fail(Failure::NotFound,
                        "No password for " + user + ": set " + kPasswordVariable +
                            ", store it in the keyring from the window, or give it on standard "
                            "input");
}

} // namespace quenlark::sync
