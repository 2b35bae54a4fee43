// HTTP for the sync: one request at a time on one reused connection, with time limits, a cap on
// every answer, redirects followed by rules of our own, and every failure as a Result that says
// what went wrong (no connection, a timeout, a certificate not trusted, an answer too large).
//
// HttpClient is the seam: the sync talks to it only, so tests wrap it to fail any request.
#pragma once

#include "engine/result.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quenlark::sync {

// The most an answer may hold when it is kept whole, and when it is handed on in pieces.
inline constexpr std::uint64_t kKeptBodyLimit = 16ull << 20;
inline constexpr std::uint64_t kStreamedBodyLimit = 1ull << 30;
// How many redirects one request follows.
inline constexpr int kMaxRedirects = 5;

struct HttpRequest {
    std::string method = "GET";
    std::string url; // absolute http:// or https://
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // When set, hears the body of a 2xx answer piece by piece instead of its being kept in the
    // response; returning false stops the transfer (the send then fails with BadResponse and
    // the listener keeps its own reason).
    std::function<bool(std::string_view)> onBody;
    // The most the answer may hold; beyond it the request fails with ResponseTooLarge.
    std::uint64_t bodyLimit = kKeptBodyLimit;
};

struct HttpResponse {
    long status = 0;
    std::string url;                            // where the answer came from, after redirects
    std::map<std::string, std::string> headers; // names in lower case
    // The body, unless the request had a listener (of an error answer, its first 64 KiB).
    std::string body;

    std::string header(const std::string& lowerCaseName) const;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Sends the request and follows redirects. An answer of any status is a success here (the
    // caller judges it); a failure is the connection's or a redirect's.
    virtual Result send(const HttpRequest& request, HttpResponse& response) = 0;
};

// The time limits of every request, in milliseconds.
struct HttpTimeouts {
    long connectMs = 20'000;
    long stallMs = 60'000; // the longest wait with (almost) nothing arriving
    long totalMs = 600'000;
};

// The defaults, or what QUENLARK_SYNC_TIMEOUTS says: "CONNECT,STALL,TOTAL" in seconds (fractions
// allowed); a part left empty or not a positive number keeps its default.
HttpTimeouts TimeoutsFromEnvironment();

struct HttpAccount {
    // The address the person gave: credentials go to its scheme, host and port only, and a
    // plain http:// there allows plain HTTP to that server.
    std::string baseUrl;
    std::string user;
    std::string password;
};

// An address split into what the rules below need. ok is false for anything that is not an
// absolute http:// or https:// URL with a host.
struct UrlParts {
    bool ok = false;
    std::string scheme; // lower case
    std::string host;   // lower case, without the brackets of an IPv6 address
    int port = 0;       // the scheme's default when none is written
    std::string path;   // with its query, "/" at least
    bool hasUserInfo = false;
};
UrlParts ParseUrl(const std::string& url);
// `reference` taken relative to `base` (an href of a multistatus, a Location header).
std::string ResolveUrl(const std::string& base, const std::string& reference);
// The scheme, host and port of a URL ("https://host:443"), "" when it is not one.
std::string OriginOf(const std::string& url);
// True for localhost and the loopback addresses (127.0.0.0/8, ::1).
bool IsLoopbackHost(const std::string& host);
// Whether the program may send a request to `url` for an account whose address is `baseUrl`:
// HTTPS always, plain HTTP only to this machine or when the person wrote http:// themselves.
Result CheckUrlAllowed(const std::string& url, const std::string& baseUrl);

// A Result for a status the request did not want, naming what was asked (`what`).
Result StatusFailure(long status, const std::string& what);

// The client over libcurl: one handle kept for every request, so the connection is reused.
class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(HttpAccount account, HttpTimeouts timeouts = TimeoutsFromEnvironment());
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    Result send(const HttpRequest& request, HttpResponse& response) override;

private:
    struct Transfer;
    Result sendOnce(const HttpRequest& request, const std::string& url, HttpResponse& response);

    HttpAccount account_;
    HttpTimeouts timeouts_;
    void* curl_ = nullptr;
};

} // namespace quenlark::sync
