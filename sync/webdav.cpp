#include "sync/webdav.h"

#include "interchange/textcodec.h"

#include <cctype>

namespace quenlark::sync {

Result SendDav(HttpClient& http, const DavRequest& request, const MultistatusParser::Listener& each,
               std::string* syncToken, HttpResponse* response, std::size_t cardLimit) {
    MultistatusParser parser(each, cardLimit);
    Result parsed;
    HttpRequest sent;
    sent.method = request.method;
    sent.url = request.url;
    sent.body = request.body;
    sent.bodyLimit = kStreamedBodyLimit;
    sent.headers = {{"Content-Type", "application/xml; charset=utf-8"}};
    if (!request.depth.empty())
        sent.headers.emplace_back("Depth", request.depth);
    sent.onBody = [&](std::string_view piece) {
        parsed = parser.feed(piece);
        return parsed.ok();
    };
    HttpResponse answer;
    Result outcome = http.send(sent, answer);
    if (response)
        *response = answer;
    // A transfer stopped by the parser failed for the parser's reason, once the status is known
    // to be the one that was parsed.
    if (!outcome && parsed)
        return Result::Fail(outcome.failure(), request.what + ": " + outcome.message());
    if (answer.status != 207)
        return StatusFailure(answer.status, request.what);
    if (!parsed)
        return Result::Fail(parsed.failure(), request.what + ": " + parsed.message());
    if (Result done = parser.finish(); !done)
        return Result::Fail(done.failure(), request.what + ": " + done.message());
    if (syncToken)
        *syncToken = parser.syncToken();
    return {};
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    AppendXmlEscaped(out, text);
    return out;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PercentEncoded(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string HrefKey(const std::string& href) {
    std::string path = href;
    if (path.rfind("http://", 0) == 0 || path.rfind("https://", 0) == 0) {
        const UrlParts parts = ParseUrl(href);
        path = parts.ok ? parts.path : href;
    }
    path = PercentDecoded(path);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HrefPath(const std::string& base, const std::string& href) {
    if (href.rfind("http://", 0) != 0 && href.rfind("https://", 0) != 0)
        return href;
    if (OriginOf(href) != OriginOf(base))
        return href;
    return ParseUrl(href).path;
}

} // namespace quenlark::sync
