// What every sync test shares: real CardDAV servers from Debian on loopback ports chosen at run
// time, a fault-injecting proxy to put between the program and a server, an HTTPS endpoint with a
// certificate nobody trusts, and an HTTP client that fails the Nth request.
//
//     CardDavServer server(CardDavServer::Kind::Radicale);   // started, stopped at the end
//     std::string book = server.makeAddressBook("work", "Work");
//     FaultProxy proxy(server.origin());                      // http://127.0.0.1:<port>
//     proxy.setRule([](const ProxyRequest& r) { return r.index == 3 ? FaultAction::answer(500)
//                                                                   : FaultAction::pass(); });
//     CurlHttpClient http(server.account(proxy.url() + "/"));
//
// Each server gets a temporary folder of its own (removed at the end), its log in there
// (server.log()), and dies with the test program (PR_SET_PDEATHSIG). Only 127.0.0.1 is used.
#pragma once

#include "sync/httpclient.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quenlark::synctest {

// A folder under $TMPDIR removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();
// Waits until something accepts connections on 127.0.0.1:port; false after `seconds`.
bool WaitForPort(int port, double seconds);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// A child process in its own process group, killed (group and all) when the object goes.
class ChildProcess {
public:
    // `argv[0]` is looked up in PATH; `extraEnv` entries ("NAME=value") are added to ours.
    ChildProcess(const std::vector<std::string>& argv, const std::string& logPath,
                 const std::vector<std::string>& extraEnv = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool running() const;
    void stop();

private:
    int pid_ = -1;
};

// Runs a command to its end; its exit status (or 128 + signal), with its output in `output`.
int RunCommand(const std::vector<std::string>& argv, std::string& output,
               const std::vector<std::string>& extraEnv = {}, const std::string& input = {});

class CardDavServer {
public:
    enum class Kind { Radicale, Xandikos };
    static constexpr char kUser[] = "alice";
    static constexpr char kPassword[] = "wonder land";

    explicit CardDavServer(Kind kind);
    ~CardDavServer();

    Kind kind() const { return kind_; }
    const char* name() const { return kind_ == Kind::Radicale ? "radicale" : "xandikos"; }
    // "http://127.0.0.1:<port>", without a trailing slash.
    std::string origin() const;
    // The principal's and the address book home's paths ("/alice/", "/user/contacts/").
    std::string principalPath() const;
    std::string homePath() const;
    // Whether the server itself checks passwords (xandikos has no authentication).
    bool checksPasswords() const { return kind_ == Kind::Radicale; }
    // The account for a client that talks to `baseUrl` (the server's origin by default).
    sync::HttpAccount account(const std::string& baseUrl = {}) const;
    // Makes an address book below the home (extended MKCOL) and returns its absolute URL.
    std::string makeAddressBook(const std::string& segment, const std::string& displayName);
    std::string log() const;
    bool running() const { return process_ && process_->running(); }

private:
    Kind kind_;
    TempFolder folder_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

// One request as the proxy received it.
struct ProxyRequest {
    int index = 0; // 1 for the first request the proxy sees
    std::string method;
    std::string target; // the path and query
    std::string head;   // the request line and headers as sent
    std::string body;
};

// What the proxy does with a request.
struct FaultAction {
    enum class Kind {
        Pass,            // forward it and relay the answer
        Answer,          // answer `status` with `body`, without asking the server
        Close,           // close the connection without answering
        CutBody,         // forward it, then send the headers and half the body and close
        Stall,           // send the headers and a few bytes of a 207, then nothing
        RedirectForever, // 302 to another address on the proxy, every time
        HugeBody,        // a 207 whose body never ends (`size` bytes, streamed)
        HugeCard,        // a multiget answer: a vCard of `size` bytes, then `body` as a second
    };
    Kind kind = Kind::Pass;
    long status = 0;
    std::string body;
    std::uint64_t size = 0;
    std::vector<std::string> headers; // extra "Name: value" lines for Answer

    static FaultAction pass() { return {}; }
    static FaultAction answer(long status, std::string body = {},
                              std::vector<std::string> headers = {}) {
        return {Kind::Answer, status, std::move(body), 0, std::move(headers)};
    }
    static FaultAction of(Kind kind, std::uint64_t size = 0, std::string body = {}) {
        return {kind, 0, std::move(body), size, {}};
    }
};

using FaultRule = std::function<FaultAction(const ProxyRequest&)>;

// An HTTP proxy on 127.0.0.1 in front of one server (`upstreamOrigin`, http://127.0.0.1:port)
// that passes requests on, or fails them as its rule says. It keeps client connections alive
// and asks the server with a connection per request.
class FaultProxy {
public:
    explicit FaultProxy(std::string upstreamOrigin);
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    // "http://127.0.0.1:<port>", without a trailing slash.
    std::string url() const;
    void setRule(FaultRule rule);
    // The requests seen so far ("METHOD target"), and their count; reset() forgets them.
    std::vector<std::string> requests() const;
    std::vector<std::string> heads() const; // their request lines and headers
    int count() const;
    void reset();

private:
    void acceptLoop();
    void serve(int client);
    FaultAction ruleFor(const ProxyRequest& request);

    std::string upstream_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    FaultRule rule_;
    std::vector<std::string> seen_;
    std::vector<std::string> heads_;
    std::vector<int> clients_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

// HTTPS on 127.0.0.1 with a self-signed certificate made now (openssl s_server).
class UntrustedTlsServer {
public:
    UntrustedTlsServer();
    std::string url() const; // "https://127.0.0.1:<port>/"
    bool running() const { return process_ && process_->running(); }

private:
    TempFolder folder_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

// An HttpClient that passes requests to another one, but fails the Nth (counting from 1) with
// `failure`, once or from then on; `sent()` counts every request asked of it.
class FailingHttpClient final : public sync::HttpClient {
public:
    explicit FailingHttpClient(sync::HttpClient& inner) : inner_(inner) {}
    void failAt(int n, Failure failure, bool fromThenOn = false) {
        failAt_ = n;
        failure_ = failure;
        fromThenOn_ = fromThenOn;
    }
    int sent() const { return sent_; }
    Result send(const sync::HttpRequest& request, sync::HttpResponse& response) override;

private:
    sync::HttpClient& inner_;
    int sent_ = 0;
    int failAt_ = 0;
    Failure failure_ = Failure::NoConnection;
    bool fromThenOn_ = false;
};

// A small vCard 3.0 with that UID and name.
std::string SampleCard(const std::string& uid, const std::string& name);

} // namespace quenlark::synctest
