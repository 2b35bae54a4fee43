// A CardDAV collection in memory for the sync's tests: resources with ETags, a sync token,
// a count of requests, and faults on the Nth request (a refusal before the server acts, a
// lost answer after it acted, a 412, or a change made by someone else just before it).
#pragma once

#include "sync/carddavcollection.h"

#include <map>
#include <string>
#include <vector>

namespace quenlark::sync::test {

class MemoryCollection : public CardDavCollection {
public:
    enum class Fault {
        None,
        Refused,      // fails before the server does anything (a 5xx, a lost connection)
        AnswerLost,   // the server does it, the answer never comes (a timeout)
        Precondition, // the resource changed: 412 before anything is done
    };

    std::map<std::string, std::string> cards; // href -> vCard
    int requests = 0;
    int failAt = 0; // the request that fails, counting from 1; 0 for none
    Fault fault = Fault::None;
    bool tokens = true; // false: every listing is complete (a server without sync-collection)
    std::size_t batch = 50;

    std::string etagOf(const std::string& href) const {
        const auto it = versions_.find(href);
        return it == versions_.end() ? "" : "\"" + std::to_string(it->second) + "\"";
    }
    // A change made on the server by another client.
    void put(const std::string& href, const std::string& vcard) {
        cards[href] = vcard;
        versions_[href] = ++clock_;
        log_.push_back({href, clock_, false});
    }
    void erase(const std::string& href) {
        cards.erase(href);
        versions_.erase(href);
        log_.push_back({href, ++clock_, true});
    }

    Result changesSince(const std::string& token, CollectionChanges& out) override {
        if (Result f = strike(); !f)
            return f;
        out = CollectionChanges();
        const bool known = tokens && !token.empty() && std::stoul(token) <= clock_;
        out.complete = !known;
        const unsigned long since = known ? std::stoul(token) : 0;
        std::map<std::string, bool> touched;
        for (const Change& c : log_)
            if (c.at > since)
                touched[c.href] = c.removed;
        for (const auto& [href, removed] : touched) {
            if (!cards.count(href)) {
                if (known)
                    out.removed.push_back(href);
            } else {
                out.changed.push_back({href, etagOf(href)});
            }
        }
        out.token = tokens ? std::to_string(clock_) : "";
        return {};
    }
    Result fetch(const std::vector<std::string>& hrefs,
                 const std::function<void(RemoteCard&&)>& each) override {
        for (std::size_t from = 0; from < hrefs.size(); from += batch) {
            if (Result f = strike(); !f)
                return f;
            for (std::size_t k = from; k < std::min(hrefs.size(), from + batch); ++k)
                if (const auto it = cards.find(hrefs[k]); it != cards.end())
                    each({it->first, etagOf(it->first), it->second, Result()});
        }
        return {};
    }
    Result create(const std::string& href, const std::string& vcard, std::string& etag) override {
        if (Result f = strike(href); !f)
            return f;
        if (cards.count(href))
            return Result::Fail(Failure::ChangedOnServer, "412");
        return store(href, vcard, etag);
    }
    Result update(const std::string& href, const std::string& vcard, const std::string& ifMatch,
                  std::string& etag) override {
        if (Result f = strike(href); !f)
            return f;
        if (etagOf(href) != ifMatch)
            return Result::Fail(Failure::ChangedOnServer, "412");
        return store(href, vcard, etag);
    }
    Result remove(const std::string& href, const std::string& ifMatch) override {
        if (Result f = strike(href); !f)
            return f;
        if (etagOf(href) != ifMatch)
            return Result::Fail(Failure::ChangedOnServer, "412");
        erase(href);
        return lost_ ? Result::Fail(Failure::Io, "timeout") : Result();
    }
    std::string hrefFor(const std::string& uid) const override {
        return "/dav/book/" + uid + ".vcf";
    }

private:
    struct Change {
        std::string href;
        unsigned long at;
        bool removed;
    };
    Result store(const std::string& href, const std::string& vcard, std::string& etag) {
        put(href, vcard);
        etag = etagOf(href);
        return lost_ ? Result::Fail(Failure::Io, "timeout") : Result();
    }
    // Counts a request and, when it is the one to fail, fails it as `fault` says.
    Result strike(const std::string& href = "") {
        lost_ = false;
        if (++requests != failAt)
            return {};
        switch (fault) {
        case Fault::None:
            return {};
        case Fault::Refused:
            return Result::Fail(Failure::Io, "HTTP 503");
        case Fault::AnswerLost:
            lost_ = !href.empty();
            return lost_ ? Result() : Result::Fail(Failure::Io, "timeout");
        case Fault::Precondition:
            if (cards.count(href))
                put(href, cards[href]); // someone else saved it again
            return Result::Fail(Failure::ChangedOnServer, "412");
        }
        return {};
    }

    std::map<std::string, unsigned long> versions_;
    std::vector<Change> log_;
    unsigned long clock_ = 0;
    bool lost_ = false;
};

} // namespace quenlark::sync::test
