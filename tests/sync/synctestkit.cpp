#include "synctestkit.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quenlark::synctest {

namespace {

using Clock = std::chrono::steady_clock;

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

int connectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int portOf(const std::string& origin) {
    return sync::ParseUrl(origin).port;
}

// Reads from `fd` into `buffer` until it holds `marker`; false at the end of the stream.
bool readUntil(int fd, std::string& buffer, const std::string& marker) {
    char chunk[65536];
    while (buffer.find(marker) == std::string::npos) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

std::string headerValue(const std::string& head, const std::string& name) {
    std::istringstream lines(head);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && lowerCase(line.substr(0, colon)) == name) {
            std::string value = line.substr(colon + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.erase(0, 1);
            while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
                value.pop_back();
            return value;
        }
    }
    return {};
}

// An HTTP/1.1 answer read to the end of the connection: its status line, headers without the
// framing ones, and the body with any chunking undone.
struct Answer {
    std::string statusLine;
    std::vector<std::string> headers;
    std::string body;

    std::string text(std::size_t bodyBytes) const {
        std::string out = statusLine + "\r\n";
        for (const std::string& header : headers)
            out += header + "\r\n";
        out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        out.append(body, 0, std::min(bodyBytes, body.size()));
        return out;
    }
};

bool parseAnswer(const std::string& raw, Answer& out) {
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return false;
    std::istringstream lines(raw.substr(0, end));
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    out.statusLine = line;
    bool chunked = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string name = lowerCase(line.substr(0, line.find(':')));
        if (name == "transfer-encoding")
            chunked = lowerCase(line).find("chunked") != std::string::npos;
        else if (name != "content-length" && name != "connection" && name != "keep-alive")
            out.headers.push_back(line);
    }
    std::string body = raw.substr(end + 4);
    if (!chunked) {
        const std::string length = headerValue(raw.substr(0, end), "content-length");
        if (!length.empty())
            body.resize(std::min<std::size_t>(body.size(), std::stoull(length)));
        out.body = std::move(body);
        return true;
    }
    std::size_t at = 0;
    for (;;) {
        const std::size_t lineEnd = body.find("\r\n", at);
        if (lineEnd == std::string::npos)
            return false;
        const std::size_t size = std::stoul(body.substr(at, lineEnd - at), nullptr, 16);
        at = lineEnd + 2;
        if (size == 0)
            return true;
        out.body.append(body, at, size);
        at += size + 2;
    }
}

} // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quenlark-sync-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool WaitForPort(int port, double seconds) {
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (Clock::now() < deadline) {
        const int fd = connectLoopback(port);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

// fork and exec with stdin from `inputFd` (or /dev/null) and the output to `outputFd`.
int spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
          int inputFd, int outputFd, bool ownGroup) {
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environmentWith(extraEnv);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (ownGroup)
            ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int input = inputFd >= 0 ? inputFd : ::open("/dev/null", O_RDONLY);
        ::dup2(input, 0);
        ::dup2(outputFd, 1);
        ::dup2(outputFd, 2);
        ::execvpe(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath,
                           const std::vector<std::string>& extraEnv) {
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = spawn(argv, extraEnv, -1, log, true);
    ::close(log);
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::running() const {
    return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

void ChildProcess::stop() {
    if (pid_ <= 0)
        return;
    ::kill(-pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(-pid_, SIGKILL); // whatever it started
    pid_ = -1;
}

int RunCommand(const std::vector<std::string>& argv, std::string& output,
               const std::vector<std::string>& extraEnv, const std::string& input) {
    int out[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe");
    const int pid = spawn(argv, extraEnv, in[0], out[1], false);
    ::close(out[1]);
    ::close(in[0]);
    ::signal(SIGPIPE, SIG_IGN);
    (void)!::write(in[1], input.data(), input.size());
    ::close(in[1]);
    output.clear();
    char chunk[4096];
    for (ssize_t n; (n = ::read(out[0], chunk, sizeof chunk)) > 0;)
        output.append(chunk, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// ---- The servers ----

CardDavServer::CardDavServer(Kind kind) : kind_(kind) {
    const std::string& dir = folder_.path();
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = FreeLoopbackPort();
        const std::string listen = "127.0.0.1:" + std::to_string(port_);
        if (kind_ == Kind::Radicale) {
            WriteFile(dir + "/users", std::string(kUser) + ":" + kPassword + "\nbob:builder\n");
            process_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"radicale", "-C", "/dev/null", "-H", listen, "--auth-type",
                                         "htpasswd", "--auth-htpasswd-filename", dir + "/users",
                                         "--auth-htpasswd-encryption", "plain",
                                         "--storage-filesystem-folder", dir + "/collections",
                                         "--logging-level", "warning"},
                dir + "/server.log");
        } else {
            process_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"xandikos", "-d", dir + "/data", "--defaults", "-l",
                                         "127.0.0.1", "-p", std::to_string(port_)},
                dir + "/server.log");
        }
        if (WaitForPort(port_, 20) && process_->running())
            return;
        process_.reset(); // the port was taken meanwhile: another one
    }
    throw std::runtime_error(std::string("cannot start ") + name() + ": " + log());
}

CardDavServer::~CardDavServer() = default;

std::string CardDavServer::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string CardDavServer::principalPath() const {
    return kind_ == Kind::Radicale ? "/alice/" : "/user/";
}

std::string CardDavServer::homePath() const {
    return kind_ == Kind::Radicale ? "/alice/" : "/user/contacts/";
}

sync::HttpAccount CardDavServer::account(const std::string& baseUrl) const {
    return {baseUrl.empty() ? origin() + "/" : baseUrl, kUser, kPassword};
}

std::string CardDavServer::makeAddressBook(const std::string& segment,
                                           const std::string& displayName) {
    sync::CurlHttpClient http(account());
    sync::HttpResponse answer;
    // Radicale makes a principal's folder when it is first looked at.
    sync::HttpRequest look{"PROPFIND", origin() + principalPath(), {{"Depth", "0"}}, {}, {}};
    if (!http.send(look, answer))
        throw std::runtime_error("the server does not answer");
    const std::string url = origin() + homePath() + segment + "/";
    sync::HttpRequest make;
    make.method = "MKCOL";
    make.url = url;
    make.headers = {{"Content-Type", "application/xml; charset=utf-8"}};
    make.body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                "<d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set>"
                "<d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>"
                "<d:displayname>" +
                displayName + "</d:displayname></d:prop></d:set></d:mkcol>";
    if (!http.send(make, answer) || answer.status != 201)
        throw std::runtime_error("MKCOL " + url + " answered " + std::to_string(answer.status) +
                                 ": " + answer.body);
    return url;
}

std::string CardDavServer::log() const {
    return ReadFile(folder_.path() + "/server.log");
}

// ---- The proxy ----

FaultProxy::FaultProxy(std::string upstreamOrigin) : upstream_(std::move(upstreamOrigin)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the proxy cannot listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FaultProxy::~FaultProxy() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
    {
        std::lock_guard lock(mutex_);
        for (int client : clients_)
            ::shutdown(client, SHUT_RDWR);
    }
    for (std::thread& thread : threads_)
        thread.join();
    for (int client : clients_)
        ::close(client);
}

std::string FaultProxy::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void FaultProxy::setRule(FaultRule rule) {
    std::lock_guard lock(mutex_);
    rule_ = std::move(rule);
}

std::vector<std::string> FaultProxy::requests() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<std::string> FaultProxy::heads() const {
    std::lock_guard lock(mutex_);
    return heads_;
}

int FaultProxy::count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(seen_.size());
}

void FaultProxy::reset() {
    std::lock_guard lock(mutex_);
    seen_.clear();
    heads_.clear();
}

FaultAction FaultProxy::ruleFor(const ProxyRequest& request) {
    FaultRule rule;
    {
        std::lock_guard lock(mutex_);
        rule = rule_;
    }
    return rule ? rule(request) : FaultAction::pass();
}

void FaultProxy::acceptLoop() {
    while (!stopping_) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
        threads_.emplace_back([this, client] { serve(client); });
    }
}

void FaultProxy::serve(int client) {
    // The client sees the end of the connection when this returns; the descriptor itself is
    // closed with the proxy, so that it cannot be reused meanwhile.
    struct Hangup {
        int fd;
        ~Hangup() { ::shutdown(fd, SHUT_RDWR); }
    } hangup{client};
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string buffer;
    while (!stopping_) {
        if (!readUntil(client, buffer, "\r\n\r\n"))
            break;
        const std::size_t headEnd = buffer.find("\r\n\r\n") + 4;
        ProxyRequest request;
        request.head = buffer.substr(0, headEnd);
        const std::string length = headerValue(request.head, "content-length");
        const std::size_t bodySize = length.empty() ? 0 : std::stoull(length);
        while (buffer.size() < headEnd + bodySize) {
            char chunk[65536];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        request.body = buffer.substr(headEnd, bodySize);
        buffer.erase(0, headEnd + bodySize);
        std::istringstream line(request.head);
        line >> request.method >> request.target;
        {
            std::lock_guard lock(mutex_);
            seen_.push_back(request.method + " " + request.target);
            heads_.push_back(request.head);
            request.index = static_cast<int>(seen_.size());
        }
        const FaultAction action = ruleFor(request);
        using Kind = FaultAction::Kind;
        switch (action.kind) {
        case Kind::Answer: {
            std::string text = "HTTP/1.1 " + std::to_string(action.status) + " Fault\r\n";
            for (const std::string& header : action.headers)
                text += header + "\r\n";
            text +=
                "Content-Length: " + std::to_string(action.body.size()) + "\r\n\r\n" + action.body;
            if (!sendAll(client, text))
                return;
            continue;
        }
        case Kind::Close:
            return;
        case Kind::Stall:
            sendAll(client, "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                            "Content-Length: 100000\r\n\r\n<?xml version=\"1.0\"?>");
            while (!stopping_)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return;
        case Kind::RedirectForever: {
            const std::string text = "HTTP/1.1 302 Found\r\nLocation: /loop/" +
                                     std::to_string(request.index) +
                                     "/\r\nContent-Length: 0\r\n\r\n";
            if (!sendAll(client, text))
                return;
            continue;
        }
        case Kind::HugeBody:
        case Kind::HugeCard: {
            // Chunked, made as it goes, so the proxy holds none of it.
            std::string head = "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                               "Transfer-Encoding: chunked\r\n\r\n";
            const auto chunk = [&](const std::string& data) {
                std::ostringstream size;
                size << std::hex << data.size();
                return sendAll(client, size.str() + "\r\n" + data + "\r\n");
            };
            if (!sendAll(client, head))
                return;
            std::string opening = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                                  "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
            if (action.kind == Kind::HugeCard)
                opening += "<d:response><d:href>/huge.vcf</d:href><d:propstat><d:prop>"
                           "<d:getetag>\"h\"</d:getetag><c:address-data>BEGIN:VCARD\r\n"
                           "NOTE:";
            else
                opening += "<d:response><d:href>/x</d:href><d:propstat><d:prop><d:displayname>";
            if (!chunk(opening))
                return;
            const std::string filler(64 * 1024, 'x');
            for (std::uint64_t sent = 0; sent < action.size && !stopping_; sent += filler.size())
                if (!chunk(filler))
                    return;
            if (action.kind == Kind::HugeCard)
                chunk("\r\nEND:VCARD\r\n</c:address-data></d:prop><d:status>HTTP/1.1 200 OK"
                      "</d:status></d:propstat></d:response>" +
                      action.body + "</d:multistatus>");
            sendAll(client, "0\r\n\r\n");
            continue;
        }
        case Kind::Pass:
        case Kind::CutBody:
            break;
        }
        // Forward on a connection of its own, read to its end.
        const int server = connectLoopback(portOf(upstream_));
        if (server < 0)
            return;
        std::string head = request.head;
        const std::size_t connection = lowerCase(head).find("\r\nconnection:");
        if (connection != std::string::npos)
            head.erase(connection, head.find("\r\n", connection + 2) - connection);
        head.insert(head.size() - 2, "Connection: close\r\n");
        sendAll(server, head + request.body);
        std::string raw;
        char chunk[65536];
        for (ssize_t n; (n = ::recv(server, chunk, sizeof chunk, 0)) > 0;)
            raw.append(chunk, static_cast<std::size_t>(n));
        ::close(server);
        Answer answer;
        if (!parseAnswer(raw, answer))
            return;
        if (action.kind == Kind::CutBody) {
            sendAll(client, answer.text(answer.body.size() / 2));
            return;
        }
        if (!sendAll(client, answer.text(answer.body.size())))
            return;
    }
}

// ---- HTTPS nobody trusts ----

UntrustedTlsServer::UntrustedTlsServer() {
    const std::string& dir = folder_.path();
    std::string output;
    if (RunCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                    dir + "/key.pem", "-out", dir + "/cert.pem", "-days", "1", "-subj",
                    "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"},
                   output) != 0)
        throw std::runtime_error("openssl cannot make a certificate: " + output);
    port_ = FreeLoopbackPort();
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"openssl", "s_server", "-accept",
                                 "127.0.0.1:" + std::to_string(port_), "-cert", dir + "/cert.pem",
                                 "-key", dir + "/key.pem", "-www", "-quiet"},
        dir + "/server.log");
    if (!WaitForPort(port_, 10))
        throw std::runtime_error("openssl s_server does not start: " +
                                 ReadFile(dir + "/server.log"));
}

std::string UntrustedTlsServer::url() const {
    return "https://127.0.0.1:" + std::to_string(port_) + "/";
}

// ---- The failing client ----

Result FailingHttpClient::send(const sync::HttpRequest& request, sync::HttpResponse& response) {
    ++sent_;
    if (failAt_ > 0 && (sent_ == failAt_ || (fromThenOn_ && sent_ > failAt_)))
        return Result::Fail(failure_, "request " + std::to_string(sent_) + " failed on purpose");
    return inner_.send(request, response);
}

std::string SampleCard(const std::string& uid, const std::string& name) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nEMAIL;TYPE=INTERNET:" + uid + "@example.org\r\nEND:VCARD\r\n";
}

} // namespace quenlark::synctest
