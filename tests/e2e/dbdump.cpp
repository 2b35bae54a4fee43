// Prints a database file's contacts, one per line, as the e2e tests read them:
// name|e-mail|city|country index, in file order. Exits 1 when the file is no database.
#include "engine/codepage.h"
#include "engine/contactrecord.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace quenlark;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (CheckHeader(bytes) != HeaderCheck::Valid)
        return 1;
    for (std::size_t at = kHeaderSize; at + kRecordSize <= bytes.size(); at += kRecordSize) {
        ContactRecord r;
        std::copy_n(bytes.data() + at, kRecordSize, r.bytes.data());
        std::printf("%s|%s|%s|%d\n", Cp1252ToUtf8(r.text(Field::Name)).c_str(),
                    Cp1252ToUtf8(r.text(Field::Email)).c_str(),
                    Cp1252ToUtf8(r.text(Field::City)).c_str(), r.country());
    }
    return 0;
}
