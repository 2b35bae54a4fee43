// WebDAV requests over the HTTP seam: a PROPFIND or REPORT whose multistatus answer is parsed
// as it arrives, and the small helpers on hrefs and XML text they need.
#pragma once

#include "engine/result.h"
#include "sync/httpclient.h"
#include "sync/multistatus.h"

#include <string>

namespace quenlark::sync {

struct DavRequest {
    std::string method; // PROPFIND or REPORT
    std::string url;
    std::string depth; // "0", "1" or "" for none
    std::string body;  // the XML asked with
    std::string what;  // what is asked, for messages ("Listing the address book")
};

// Sends the request and hands each <response> of its 207 answer to `each` as it completes.
// `syncToken`, when given, receives the multistatus's sync token. `response` receives the
// status and headers. Any status but 207 fails with StatusFailure.
Result SendDav(HttpClient& http, const DavRequest& request, const MultistatusParser::Listener& each,
               std::string* syncToken = nullptr, HttpResponse* response = nullptr,
               std::size_t cardLimit = kCardLimit);

// Text made safe inside an XML element.
std::string XmlEscaped(const std::string& text);
// %XX decoded.
std::string PercentDecoded(const std::string& text);
// Every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) as %XX.
std::string PercentEncoded(const std::string& text);
// What two hrefs of one server are compared by: the path alone (an absolute URL loses its
// scheme and host), %XX decoded, without a trailing slash.
std::string HrefKey(const std::string& href);
// An href as a path on the server of `base` (an absolute URL on that server becomes its path).
std::string HrefPath(const std::string& base, const std::string& href);

} // namespace quenlark::sync
