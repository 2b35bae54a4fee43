#include "sync/carddavbook.h"

#include "sync/webdav.h"

#include <map>

namespace quenlark::sync {

namespace {

constexpr char kSyncPrefix[] = "sync:";
constexpr char kCtagPrefix[] = "ctag:";
// RFC 6578 lets a server answer in parts (507 on the collection); this many at most.
constexpr int kMostSyncRounds = 1000;
constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool success(long status) {
    return status >= 200 && status <= 299;
}

// Statuses by which a server says it does not take a report, or not that token.
bool refusesReport(long status) {
    return status == 400 || status == 403 || status == 405 || status == 409 || status == 415 ||
           status == 422 || status == 501;
}

// XML reads every line break as LF; a vCard's lines end in CRLF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string etagOf(const DavResponse& response) {
    const DavProperty* etag = response.find(kDavGetEtag);
    return etag ? etag->text : std::string();
}

} // namespace

CardDavBook::CardDavBook(HttpClient& http, std::string collectionUrl, std::size_t cardLimit)
    : http_(http), url_(std::move(collectionUrl)), cardLimit_(cardLimit) {
    if (url_.empty() || url_.back() != '/')
        url_ += '/';
    path_ = ParseUrl(url_).path;
}

std::string CardDavBook::urlOf(const std::string& href) const {
    return ResolveUrl(url_, href);
}

bool CardDavBook::isCollection(const std::string& href) const {
    return HrefKey(href) == HrefKey(path_);
}

std::string CardDavBook::hrefFor(const std::string& uid) const {
    return path_ + PercentEncoded(uid) + ".vcf";
}

Result CardDavBook::changesSince(const std::string& token, CollectionChanges& out) {
    out = CollectionChanges{};
    if (startsWith(token, kCtagPrefix)) {
        std::string ctag, syncToken;
        if (Result asked = currentCtag(ctag, syncToken); !asked)
            return asked;
        if (!ctag.empty() && kCtagPrefix + ctag == token) {
            out.token = token;
            return {};
        }
        return listAll(out);
    }
    bool refused = false;
    const std::string serverToken =
        startsWith(token, kSyncPrefix) ? token.substr(sizeof kSyncPrefix - 1) : token;
    if (Result reported = syncReport(serverToken, out, refused); !reported || !refused)
        return reported;
    // The token is refused (expired, or from before the collection was replaced): the whole
    // listing again, by the report when the server has it.
    if (!serverToken.empty()) {
        out = CollectionChanges{};
        if (Result reported = syncReport("", out, refused); !reported || !refused)
            return reported;
    }
    return listAll(out);
}

Result CardDavBook::syncReport(const std::string& serverToken, CollectionChanges& out,
                               bool& refused) {
    refused = false;
    out.complete = serverToken.empty();
    std::string token = serverToken;
    std::map<std::string, std::size_t> changedAt; // href key -> index in out.changed
    for (int round = 0; round < kMostSyncRounds; ++round) {
        DavRequest request;
        request.method = "REPORT";
        request.url = url_;
        request.what = "Asking " + ParseUrl(url_).host + " what changed";
        request.body = std::string(kXmlHead) +
                       "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" + XmlEscaped(token) +
                       "</d:sync-token><d:sync-level>1</d:sync-level>"
                       "<d:prop><d:getetag/></d:prop></d:sync-collection>";
        bool truncated = false;
        std::string next;
        HttpResponse answer;
        Result sent = SendDav(
            http_, request,
            [&](DavResponse&& response) {
                if (isCollection(response.href)) {
                    truncated = response.status == 507;
                    return;
                }
                const std::string href = HrefPath(url_, response.href);
                if (response.status == 404 || response.status == 410) {
                    out.removed.push_back(href);
                    return;
                }
                if (response.status != 0 && !success(response.status))
                    return;
                const DavProperty* etag = response.find(kDavGetEtag);
                if (!etag)
                    return; // a member that is not a contact (a collection inside)
                const std::string key = HrefKey(href);
                if (const auto seen = changedAt.find(key); seen != changedAt.end()) {
                    out.changed[seen->second].etag = etag->text;
                    return;
                }
                changedAt[key] = out.changed.size();
                out.changed.push_back({href, etag->text});
            },
            &next, &answer);
        if (!sent) {
            // A server that fails on a token (xandikos answers 500 to one it cannot read) is
            // asked for everything instead; one that fails on that too fails the sync.
            refused = refusesReport(answer.status) ||
                      (!serverToken.empty() && sent.failure() == Failure::ServerError);
            return refused ? Result() : sent;
        }
        if (next.empty())
            return Result::Fail(Failure::BadResponse,
                                request.what + ": the answer has no sync token");
        token = next;
        out.token = kSyncPrefix + next;
        if (!truncated)
            return {};
    }
    return Result::Fail(Failure::BadResponse,
                        "The server's list of changes does not end (more than " +
                            std::to_string(kMostSyncRounds) + " parts)");
}

Result CardDavBook::listAll(CollectionChanges& out) {
    out = CollectionChanges{};
    out.complete = true;
    DavRequest request;
    request.method = "PROPFIND";
    request.url = url_;
    request.depth = "1";
    request.what = "Listing the address book on " + ParseUrl(url_).host;
    request.body = std::string(kXmlHead) +
                   "<d:propfind xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\">"
                   "<d:prop><d:resourcetype/><d:getetag/><cs:getctag/><d:sync-token/>"
                   "</d:prop></d:propfind>";
    std::string ctag, syncToken;
    Result sent = SendDav(http_, request, [&](DavResponse&& response) {
        if (isCollection(response.href)) {
            if (const DavProperty* value = response.find(kCalendarServerCtag))
                ctag = value->text;
            if (const DavProperty* value = response.find(kDavSyncToken))
                syncToken = value->text;
            return;
        }
        if (response.hasChild(kDavResourceType, kDavCollection) || !response.find(kDavGetEtag))
            return;
        if (response.status != 0 && !success(response.status))
            return;
        out.changed.push_back({HrefPath(url_, response.href), etagOf(response)});
    });
    if (!sent)
        return sent;
    // The listing serves a server without the sync report, so its ctag is what tells next time
    // whether anything changed, in one small request.
    out.token = !ctag.empty()        ? kCtagPrefix + ctag
                : !syncToken.empty() ? kSyncPrefix + syncToken
                                     : std::string();
    return {};
}

Result CardDavBook::currentCtag(std::string& ctag, std::string& syncToken) {
    DavRequest request;
    request.method = "PROPFIND";
    request.url = url_;
    request.depth = "0";
    request.what = "Asking " + ParseUrl(url_).host + " whether the address book changed";
    request.body = std::string(kXmlHead) +
                   "<d:propfind xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\">"
                   "<d:prop><cs:getctag/><d:sync-token/></d:prop></d:propfind>";
    return SendDav(http_, request, [&](DavResponse&& response) {
        if (!isCollection(response.href))
            return;
        if (const DavProperty* value = response.find(kCalendarServerCtag))
            ctag = value->text;
        if (const DavProperty* value = response.find(kDavSyncToken))
            syncToken = value->text;
    });
}

Result CardDavBook::fetch(const std::vector<std::string>& hrefs,
                          const std::function<void(RemoteCard&&)>& each) {
    for (std::size_t first = 0; first < hrefs.size(); first += kMultigetBatch) {
        const std::size_t end = std::min(hrefs.size(), first + kMultigetBatch);
        std::map<std::string, std::string> asked; // href key -> the href as the caller gave it
        std::string body = std::string(kXmlHead) + "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                                                   "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                                                   "<d:prop><d:getetag/><c:address-data/></d:prop>";
        for (std::size_t i = first; i < end; ++i) {
            asked.emplace(HrefKey(hrefs[i]), hrefs[i]);
            body += "<d:href>" + XmlEscaped(hrefs[i]) + "</d:href>";
        }
        body += "</c:addressbook-multiget>";
        DavRequest request{"REPORT", url_, "1", std::move(body),
                           "Fetching contacts from " + ParseUrl(url_).host};
        Result sent = SendDav(
            http_, request,
            [&](DavResponse&& response) {
                const auto found = asked.find(HrefKey(response.href));
                if (found == asked.end())
                    return; // not asked for, or answered twice
                RemoteCard card;
                card.href = found->second;
                asked.erase(found);
                card.etag = etagOf(response);
                const DavProperty* data = response.find(kCardAddressData);
                if (data && data->cut) {
                    card.problem = Result::Fail(Failure::ResponseTooLarge,
                                                "The contact " + card.href + " is larger than " +
                                                    std::to_string(cardLimit_ >> 20) +
                                                    " MiB and is left on the server");
                } else if (data && (response.status == 0 || success(response.status))) {
                    card.vcard = WithCrLf(data->text);
                } else {
                    card.problem =
                        response.status != 0 && !success(response.status)
                            ? StatusFailure(response.status, "Fetching the contact " + card.href)
                            : Result::Fail(Failure::BadResponse,
                                           "The server sent no vCard for " + card.href);
                }
                each(std::move(card));
            },
            nullptr, nullptr, cardLimit_);
        if (!sent)
            return sent;
        for (auto& [key, href] : asked) {
            RemoteCard card;
            card.href = href;
            card.problem =
                Result::Fail(Failure::NotFound, "The server did not send the contact " + href);
            each(std::move(card));
        }
    }
    return {};
}

Result CardDavBook::put(const std::string& href, const std::string& vcard,
                        std::pair<std::string, std::string> condition, const std::string& what,
                        std::string& etag) {
    etag.clear();
    HttpRequest request;
    request.method = "PUT";
    request.url = urlOf(href);
    request.body = vcard;
    request.headers = {{"Content-Type", "text/vcard; charset=utf-8"}, std::move(condition)};
    HttpResponse answer;
    if (Result sent = http_.send(request, answer); !sent)
        return Result::Fail(sent.failure(), what + ": " + sent.message());
    if (!success(answer.status))
        return StatusFailure(answer.status, what);
    etag = answer.header("etag");
    return {};
}

Result CardDavBook::create(const std::string& href, const std::string& vcard, std::string& etag) {
    return put(href, vcard, {"If-None-Match", "*"}, "Adding the contact " + href, etag);
}

Result CardDavBook::update(const std::string& href, const std::string& vcard,
                           const std::string& ifMatch, std::string& etag) {
    return put(href, vcard, {"If-Match", ifMatch.empty() ? "*" : ifMatch},
               "Changing the contact " + href, etag);
}

Result CardDavBook::remove(const std::string& href, const std::string& ifMatch) {
    HttpRequest request;
    request.method = "DELETE";
    request.url = urlOf(href);
    request.headers = {{"If-Match", ifMatch.empty() ? "*" : ifMatch}};
    HttpResponse answer;
    const std::string what = "Deleting the contact " + href;
    if (Result sent = http_.send(request, answer); !sent)
        return Result::Fail(sent.failure(), what + ": " + sent.message());
    return success(answer.status) ? Result() : StatusFailure(answer.status, what);
}

} // namespace quenlark::sync
