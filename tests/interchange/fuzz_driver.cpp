// Runs the fuzz target without libFuzzer: the seed files of a folder as they are, then a
// fixed number of inputs mutated from them by a seeded generator, so that a run is repeatable
// and short enough for every test run. Usage: fuzz_driver CORPUS_DIR [COUNT] [SEED]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;

// Pieces that make the readers take other paths when dropped into an input.
const char* const kTokens[] = {
    "\r\n",
    "\n",
    "\r",
    " ",
    "\t",
    ":",
    ";",
    ",",
    "\"",
    "\\",
    "=",
    "'",
    "=0D=0A",
    "=\r\n",
    "\\n",
    "\\;",
    "\\,",
    "\xC3\xA9",
    "\xE2\x82\xAC",
    "\xE9",
    "\xF0\x9F\x98\x80",
    "\xC3",
    "BEGIN:VCARD\r\n",
    "END:VCARD\r\n",
    "VERSION:2.1\r\n",
    "VERSION:4.0\r\n",
    "ENCODING=QUOTED-PRINTABLE",
    "CHARSET=ISO-8859-1",
    "CHARSET=KOI8-R",
    "TYPE=CELL",
    "TYPE=PREF",
    "PREF=1",
    "item1.",
    "AGENT:\r\n",
    "FN:",
    "N:",
    "ADR:;;",
    "TEL:",
    "EMAIL:",
    "X-QUENLARK-SLOT=2",
    "E-mail 1 - Value",
    "Phone 1 - Type",
    "Mobile",
    "Address 1 - Country",
    "Home Street",
    "sep=;\n",
    "\xEF\xBB\xBF",
    "Zimbabwe",
};

void run(const std::string& input) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

std::string mutate(const std::vector<std::string>& seeds, std::mt19937_64& rng) {
    auto pick = [&](std::size_t n) { return n ? std::size_t(rng() % n) : 0; };
    std::string s = seeds[pick(seeds.size())];
    const std::size_t steps = 1 + pick(8);
    for (std::size_t k = 0; k < steps; ++k) {
        const std::size_t at = pick(s.size() + 1);
        switch (rng() % 7) {
        case 0: // flip a bit
            if (!s.empty())
                s[std::min(at, s.size() - 1)] ^= static_cast<char>(1u << (rng() % 8));
            break;
        case 1: // a random byte
            s.insert(at, 1, static_cast<char>(rng() & 0xFF));
            break;
        case 2: // a token
            s.insert(at, kTokens[pick(std::size(kTokens))]);
            break;
        case 3: // remove a piece
            s.erase(at, 1 + pick(32));
            break;
        case 4: { // repeat a piece
            const std::string piece = s.substr(at, 1 + pick(64));
            s.insert(at, piece);
            break;
        }
        case 5: { // splice in a piece of another seed
            const std::string& other = seeds[pick(seeds.size())];
            const std::size_t from = pick(other.size() + 1);
            s.insert(at, other.substr(from, 1 + pick(256)));
            break;
        }
        default: // cut the input short
            s.resize(at);
            break;
        }
        if (s.size() > kMaxInput)
            s.resize(kMaxInput);
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [COUNT] [SEED]\n", argv[0]);
        return 2;
    }
    const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 20000;
    const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    std::vector<std::string> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed files in %s\n", argv[1]);
        return 2;
    }
    std::sort(seeds.begin(), seeds.end()); // the same order on every machine
    for (const std::string& s : seeds)
        run(s);
    std::mt19937_64 rng(seed);
    for (long i = 0; i < count; ++i)
        run(mutate(seeds, rng));
    std::printf("%zu seeds and %ld mutated inputs ran without a broken check\n", seeds.size(),
                count);
    return 0;
}
