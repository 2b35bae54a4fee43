// A collection kept in a folder, one file per resource, for tests that kill the process in
// the middle of a sync: every write is a new file renamed into place, so the "server" is
// always whole. ETags are digests of the content; every listing is complete (a server
// without sync tokens).
#pragma once

#include "sync/carddavcollection.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quenlark::sync::test {

class FolderCollection : public CardDavCollection {
public:
    explicit FolderCollection(std::filesystem::path dir, std::chrono::microseconds pause = {})
        : dir_(std::move(dir)), pause_(pause) {}

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string Digest(const std::string& text) {
        std::uint64_t h = 1469598103934665603ull;
        for (const char c : text)
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return "\"" + std::to_string(h) + "\"";
    }
    std::filesystem::path fileOf(const std::string& href) const {
        return dir_ / std::filesystem::path(href).filename();
    }

    Result changesSince(const std::string&, CollectionChanges& out) override {
        wait();
        out = CollectionChanges();
        out.complete = true;
        for (const auto& f : std::filesystem::directory_iterator(dir_))
            if (f.path().extension() == ".vcf")
                out.changed.push_back({"/dav/" + f.path().filename().string(), Digest(Read(f))});
        return {};
    }
    Result fetch(const std::vector<std::string>& hrefs,
                 const std::function<void(RemoteCard&&)>& each) override {
        wait();
        for (const std::string& href : hrefs)
            if (std::filesystem::exists(fileOf(href))) {
                std::string text = Read(fileOf(href));
                std::string etag = Digest(text);
                each({href, std::move(etag), std::move(text), Result()});
            }
        return {};
    }
    Result create(const std::string& href, const std::string& vcard, std::string& etag) override {
        wait();
        if (std::filesystem::exists(fileOf(href)))
            return Result::Fail(Failure::ChangedOnServer, "412");
        return write(href, vcard, etag);
    }
    Result update(const std::string& href, const std::string& vcard, const std::string& ifMatch,
                  std::string& etag) override {
        wait();
        if (!std::filesystem::exists(fileOf(href)) || Digest(Read(fileOf(href))) != ifMatch)
            return Result::Fail(Failure::ChangedOnServer, "412");
        return write(href, vcard, etag);
    }
    Result remove(const std::string& href, const std::string& ifMatch) override {
        wait();
        if (!std::filesystem::exists(fileOf(href)) || Digest(Read(fileOf(href))) != ifMatch)
            return Result::Fail(Failure::ChangedOnServer, "412");
        std::filesystem::remove(fileOf(href));
        return {};
    }
    std::string hrefFor(const std::string& uid) const override { return "/dav/" + uid + ".vcf"; }

private:
    void wait() const {
        if (pause_.count())
            std::this_thread::sleep_for(pause_);
    }
    Result write(const std::string& href, const std::string& vcard, std::string& etag) {
        const auto temp = dir_ / ".new";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << vcard;
        }
        std::filesystem::rename(temp, fileOf(href));
        etag = Digest(vcard);
        return {};
    }

    std::filesystem::path dir_;
    std::chrono::microseconds pause_;
};

} // namespace quenlark::sync::test
