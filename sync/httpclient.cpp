#include "sync/httpclient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace quenlark::sync {

namespace {

constexpr std::size_t kErrorBodyKept = 64 * 1024;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// A CURLU handle released on every path.
class UrlHandle {
public:
    UrlHandle() : handle_(curl_url()) {}
    ~UrlHandle() { curl_url_cleanup(handle_); }
    UrlHandle(const UrlHandle&) = delete;
    UrlHandle& operator=(const UrlHandle&) = delete;

    bool set(const std::string& url) {
        return handle_ && curl_url_set(handle_, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
    }
    std::string get(CURLUPart part, unsigned flags = 0) const {
        char* text = nullptr;
        if (!handle_ || curl_url_get(handle_, part, &text, flags) != CURLUE_OK)
            return {};
        std::string value(text);
        curl_free(text);
        return value;
    }
    bool has(CURLUPart part) const {
        char* text = nullptr;
        if (!handle_ || curl_url_get(handle_, part, &text, 0) != CURLUE_OK)
            return false;
        curl_free(text);
        return true;
    }

private:
    CURLU* handle_;
};

long secondsToMs(const std::string& text, long fallback) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || !(seconds > 0) || seconds > 86400)
        return fallback;
    return std::max(1L, static_cast<long>(seconds * 1000));
}

std::string hostOf(const std::string& url) {
    const UrlParts parts = ParseUrl(url);
    return parts.ok ? parts.host : url;
}

} // namespace

std::string HttpResponse::header(const std::string& lowerCaseName) const {
    const auto found = headers.find(lowerCaseName);
    return found == headers.end() ? std::string() : found->second;
}

HttpTimeouts TimeoutsFromEnvironment() {
    HttpTimeouts timeouts;
    const char* text = std::getenv("QUENLARK_SYNC_TIMEOUTS");
    if (!text)
        return timeouts;
    std::stringstream parts(text);
    std::string part;
    long* fields[] = {&timeouts.connectMs, &timeouts.stallMs, &timeouts.totalMs};
    for (long* field : fields) {
        if (!std::getline(parts, part, ','))
            break;
        *field = secondsToMs(trimmed(part), *field);
    }
    return timeouts;
}

UrlParts ParseUrl(const std::string& url) {
    UrlParts parts;
    UrlHandle handle;
    if (!handle.set(url))
        return parts;
    parts.scheme = lowerCase(handle.get(CURLUPART_SCHEME));
    parts.host = lowerCase(handle.get(CURLUPART_HOST));
    if (parts.host.size() > 2 && parts.host.front() == '[' && parts.host.back() == ']')
        parts.host = parts.host.substr(1, parts.host.size() - 2);
    parts.port = std::atoi(handle.get(CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
    parts.path = handle.get(CURLUPART_PATH);
    if (parts.path.empty())
        parts.path = "/";
    if (handle.has(CURLUPART_QUERY))
        parts.path += "?" + handle.get(CURLUPART_QUERY);
    parts.hasUserInfo = handle.has(CURLUPART_USER) || handle.has(CURLUPART_PASSWORD);
    parts.ok = (parts.scheme == "http" || parts.scheme == "https") && !parts.host.empty();
    return parts;
}

std::string ResolveUrl(const std::string& base, const std::string& reference) {
    UrlHandle handle;
    if (!handle.set(base) || !handle.set(reference))
        return {};
    return handle.get(CURLUPART_URL);
}

std::string OriginOf(const std::string& url) {
    const UrlParts parts = ParseUrl(url);
    if (!parts.ok)
        return {};
    const bool v6 = parts.host.find(':') != std::string::npos;
    return parts.scheme + "://" + (v6 ? "[" + parts.host + "]" : parts.host) + ":" +
           std::to_string(parts.port);
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "localhost." || host == "::1")
        return true;
    // 127.0.0.0/8 written as a dotted quad.
    int a = 0, b = 0, c = 0, d = 0;
    char rest = 0;
    return std::sscanf(host.c_str(), "%d.%d.%d.%d%c", &a, &b, &c, &d, &rest) == 4 && a == 127 &&
           b >= 0 && b < 256 && c >= 0 && c < 256 && d >= 0 && d < 256;
}

Result CheckUrlAllowed(const std::string& url, const std::string& baseUrl) {
    const UrlParts parts = ParseUrl(url);
    if (!parts.ok)
        return Result::Fail(Failure::BadArgument,
                            "\"" + url + "\" is not an http:// or https:// address");
    if (parts.hasUserInfo)
        return Result::Fail(Failure::BadArgument,
                            "Give the user name with --user, not in the address");
    if (parts.scheme == "https" || IsLoopbackHost(parts.host))
        return {};
    const UrlParts base = ParseUrl(baseUrl);
    if (base.ok && base.scheme == "http" && base.host == parts.host && base.port == parts.port)
        return {};
    return Result::Fail(Failure::Insecure,
                        "Plain HTTP to " + parts.host +
                            " would send the password unencrypted: use an https:// address "
                            "(or write http:// yourself to allow it)");
}

Result StatusFailure(long status, const std::string& what) {
    const std::string code = std::to_string(status);
    switch (status) {
    case 401:
        return Result::Fail(Failure::WrongPassword,
                            what + ": the server refused the user name or the password (401)");
    case 403:
        return Result::Fail(Failure::Forbidden,
                            what + ": the server does not allow this for the account (403)");
    case 404:
        return Result::Fail(Failure::NotFound, what + ": the server has nothing there (404)");
    case 412:
        return Result::Fail(Failure::ChangedOnServer,
                            what + ": the contact changed on the server meanwhile (412)");
    default:
        break;
    }
    if (status >= 500 && status <= 599)
        return Result::Fail(Failure::ServerError, what + ": the server failed (" + code + ")");
    return Result::Fail(Failure::BadResponse, what + ": unexpected answer " + code);
}

// What one exchange gathers while curl runs it.
struct CurlHttpClient::Transfer {
    const HttpRequest* request = nullptr;
    HttpResponse* response = nullptr;
    std::uint64_t received = 0;
    bool tooLarge = false;
    bool stoppedByListener = false;
    // The stall limit: the time since anything last moved either way.
    long stallMs = 0;
    bool stalled = false;
    curl_off_t lastMoved = -1;
    std::chrono::steady_clock::time_point lastMovedAt = std::chrono::steady_clock::now();

    static int onProgress(void* self, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
        auto& transfer = *static_cast<Transfer*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (down + up != transfer.lastMoved) {
            transfer.lastMoved = down + up;
            transfer.lastMovedAt = now;
            return 0;
        }
        if (now - transfer.lastMovedAt > std::chrono::milliseconds(transfer.stallMs)) {
            transfer.stalled = true;
            return 1;
        }
        return 0;
    }

    bool success() const { return response->status >= 200 && response->status <= 299; }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& transfer = *static_cast<Transfer*>(self);
        const std::string_view line(data, size * count);
        if (line.rfind("HTTP/", 0) == 0) {
            // A new answer (after a 100 Continue, say): start over.
            transfer.response->headers.clear();
            const std::size_t space = line.find(' ');
            transfer.response->status =
                space == std::string_view::npos
                    ? 0
                    : std::strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
            return line.size();
        }
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && transfer.response->headers.size() < 200)
            transfer.response->headers[lowerCase(std::string(line.substr(0, colon)))] =
                trimmed(line.substr(colon + 1));
        return line.size();
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto& transfer = *static_cast<Transfer*>(self);
        const std::size_t length = size * count;
        transfer.received += length;
        if (transfer.received > transfer.request->bodyLimit) {
            transfer.tooLarge = true;
            return 0;
        }
        if (!transfer.success()) {
            std::string& body = transfer.response->body;
            body.append(data,
                        std::min(length, kErrorBodyKept - std::min(kErrorBodyKept, body.size())));
            return length;
        }
        if (transfer.request->onBody) {
            if (!transfer.request->onBody(std::string_view(data, length))) {
                transfer.stoppedByListener = true;
                return 0;
            }
            return length;
        }
        transfer.response->body.append(data, length);
        return length;
    }
};

CurlHttpClient::CurlHttpClient(HttpAccount account, HttpTimeouts timeouts)
    : account_(std::move(account)), timeouts_(timeouts) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    curl_ = curl_easy_init();
}

CurlHttpClient::~CurlHttpClient() {
    if (curl_)
        curl_easy_cleanup(static_cast<CURL*>(curl_));
    // The password leaves memory with the client.
    std::fill(account_.password.begin(), account_.password.end(), '\0');
}

Result CurlHttpClient::send(const HttpRequest& request, HttpResponse& response) {
    if (!curl_)
        return Result::Fail(Failure::NoConnection, "The HTTP library could not be started");
    std::string url = request.url;
    HttpRequest current = request;
    for (int redirects = 0;; ++redirects) {
        if (Result allowed = CheckUrlAllowed(url, account_.baseUrl); !allowed)
            return allowed;
        response = HttpResponse{};
        if (Result sent = sendOnce(current, url, response); !sent)
            return sent;
        const bool redirect = response.status == 301 || response.status == 302 ||
                              response.status == 303 || response.status == 307 ||
                              response.status == 308;
        if (!redirect)
            return {};
        // Resolved here, not by curl: its answer carries the credentials in the address.
        const std::string location = response.header("location");
        const std::string next = location.empty() ? std::string() : ResolveUrl(url, location);
        if (next.empty())
            return Result::Fail(Failure::BadResponse, hostOf(url) + " sent a redirect (" +
                                                          std::to_string(response.status) +
                                                          ") without a valid address");
        if (redirects == kMaxRedirects)
            return Result::Fail(Failure::BadResponse, hostOf(url) + " redirects more than " +
                                                          std::to_string(kMaxRedirects) +
                                                          " times (" + ParseUrl(request.url).path +
                                                          ")");
        if (ParseUrl(url).scheme == "https" && ParseUrl(next).scheme != "https")
            return Result::Fail(Failure::BadResponse, hostOf(url) +
                                                          " redirects from HTTPS to an address "
                                                          "without it; the redirect is refused");
        if (response.status == 303) {
            current.method = "GET";
            current.body.clear();
        }
        url = next;
    }
}

Result CurlHttpClient::sendOnce(const HttpRequest& request, const std::string& url,
                                HttpResponse& response) {
    CURL* curl = static_cast<CURL*>(curl_);
    // A reset keeps the open connections: every request sets all of its options again, so
    // nothing of the last one (its credentials above all) carries over.
    curl_easy_reset(curl);
    Transfer transfer;
    transfer.request = &request;
    transfer.response = &response;
    response.url = url;
    char errorText[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts_.connectMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeouts_.totalMs);
    transfer.stallMs = timeouts_.stallMs;
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Quenlark Address Book/2.4.2");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    if (request.bodyLimit < (1ull << 62))
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(request.bodyLimit));

    // The credentials go to the server the person named and nowhere else.
    if (!account_.user.empty() && OriginOf(url) == OriginOf(account_.baseUrl)) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_USERNAME, account_.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, account_.password.c_str());
    }

    if (request.method == "GET") {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        if (!request.body.empty() || request.method == "PUT") {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
        }
    }
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    for (const auto& [name, value] : request.headers)
        headers = curl_slist_append(headers, (name + ": " + value).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);

    const std::string host = hostOf(url);
    const std::string detail = errorText[0] ? std::string(errorText) : curl_easy_strerror(code);
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return Result::Fail(Failure::ResponseTooLarge, host + " sent an answer larger than " +
                                                           std::to_string(request.bodyLimit >> 20) +
                                                           " MiB; it was cut off");
    if (transfer.stalled)
        return Result::Fail(Failure::Timeout, host +
                                                  " did not answer in time (nothing arrived for " +
                                                  std::to_string(timeouts_.stallMs / 1000) + " s)");
    if (transfer.stoppedByListener)
        return Result::Fail(Failure::BadResponse, "The answer of " + host + " was not read on");
    switch (code) {
    case CURLE_OK:
        break;
    case CURLE_OPERATION_TIMEDOUT:
        return Result::Fail(Failure::Timeout, host + " did not answer in time (" + detail + ")");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return Result::Fail(Failure::UntrustedCertificate,
                            "The certificate of " + host +
                                " is not trusted by this system, so nothing was sent (" + detail +
                                "). Check the address; a server with a certificate of its own "
                                "needs its authority added to the system's certificates.");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Result::Fail(Failure::NoConnection, "Cannot find the server " + host);
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return Result::Fail(Failure::BadArgument, "\"" + url + "\" cannot be used: " + detail);
    default:
        return Result::Fail(Failure::NoConnection,
                            "No connection to " + host + " (" + detail + ")");
    }
    return {};
}

} // namespace quenlark::sync
