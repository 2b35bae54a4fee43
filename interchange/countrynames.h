// Country names as other programs write them, matched to the country list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenlark {

// The index of a country in the country list (1 to 234) for a name as address books write
// it: the list's own names, ISO 3166 codes (two and three letters), common English names
// and the country's own names ("US", "USA", "United States of America", "Deutschland",
// "Österreich"), compared without regard to letter case, accents, dots, hyphens and blanks.
// 0 when the name is none of those.
std::int32_t MatchCountry(std::string_view utf8Name);

// The form names are compared in: small letters without accents, no dots, one blank between
// words, no leading "the".
std::string FoldCountryName(std::string_view utf8Name);

} // namespace quenlark
