#include "enginefixture.h"

#include <cstdlib>
#include <fstream>

namespace quenlark::test {

void EngineTest::SetUp() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quenlark-engine-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
}

void EngineTest::TearDown() {
    engine.reset();
    std::filesystem::remove_all(dir);
}

std::string EngineTest::readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::string bytes(std::size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    return bytes;
}

void EngineTest::writeFile(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

ContactRecord EngineTest::recordNamed(const std::string& name) {
    ContactRecord r;
    ClearContactRecord(r);
    r.setText(Field::Name, name);
    r.setText(Field::Email, name + "@example.com");
    return r;
}

std::string EngineTest::databaseWith(const std::vector<std::string>& names) {
    const auto header = MakeHeader();
    std::string bytes(header.begin(), header.end());
    for (const std::string& n : names) {
        const ContactRecord r = recordNamed(n);
        bytes.append(r.bytes.data(), r.bytes.size());
    }
    return bytes;
}

void EngineTest::openWith(const std::vector<std::string>& names) {
    writeFile(dbPath(), databaseWith(names));
    useDatabase(dbPath());
    ASSERT_TRUE(engine->OpenAddressBook());
    engine->LoadContactIndex();
}

std::vector<std::string> EngineTest::indexNames() const {
    std::vector<std::string> names;
    for (const ContactIndexEntry& e : engine->index())
        names.push_back(e.name);
    return names;
}

} // namespace quenlark::test
