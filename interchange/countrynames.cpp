#include "interchange/countrynames.h"

#include "engine/contactrecord.h"
#include "interchange/textcodec.h"

#include <unordered_map>

namespace quenlark {

namespace {

// Other names of the list's countries, '|' between them. A list entry that names a place
// twice (Ivory Coast, West Bank and Gaza Strip, Yugoslavia, Zaire) keeps its other names
// with its first entry; the second is matched by its own name only. "NA" is left out: in an
// address it means "not applicable" far more often than Namibia.
struct Aliases {
    int index;
    const char* names;
};
constexpr Aliases kAliases[] = {
    {1, "AF|AFG|Afghanistan|افغانستان"},
    {2, "AL|ALB|Shqipëria|Shqipëri"},
    {3, "DZ|DZA|Algérie|الجزائر"},
    {4, "AS|ASM"},
    {5, "AD|AND"},
    {6, "AO|AGO"},
    {7, "AI|AIA"},
    {8, "AQ|ATA"},
    {9, "AG|ATG|Antigua and Barbuda|Antigua & Barbuda"},
    {10, "AR|ARG"},
    {11, "AM|ARM|Hayastan|Հայաստան"},
    {12, "AW|ABW"},
    {13, "AU|AUS"},
    {14, "AT|AUT|Österreich"},
    {15, "AZ|AZE|Azərbaycan"},
    {16, "BS|BHS"},
    {17, "BH|BHR|البحرين"},
    {18, "BD|BGD|বাংলাদেশ"},
    {19, "BB|BRB"},
    {20, "BY|BLR|Беларусь|Belarus'|Byelorussia"},
    {21, "BE|BEL|België|Belgique|Belgien"},
    {22, "BZ|BLZ"},
    {23, "BJ|BEN"},
    {24, "BM|BMU"},
    {25, "BT|BTN"},
    {26, "BO|BOL|Bolivia, Plurinational State of|Plurinational State of Bolivia"},
    {27, "BA|BIH|Bosnia & Herzegovina|Bosnia|Bosna i Hercegovina|Босна и Херцеговина"},
    {28, "BW|BWA"},
    {29, "BR|BRA|Brasil"},
    {30, "VG|VGB|Virgin Islands, British|Virgin Islands (British)|BVI"},
    {31, "BN|BRN|Brunei Darussalam"},
    {32, "BG|BGR|България"},
    {33, "BF|BFA"},
    {34, "MM|MMR|Myanmar|မြန်မာ"},
    {35, "BI|BDI"},
    {36, "KH|KHM|Kampuchea|កម្ពុជា"},
    {37, "CM|CMR|Cameroun"},
    {38, "CA|CAN"},
    {39, "CV|CPV|Cabo Verde"},
    {40, "CF|CAF|République centrafricaine|Centrafrique"},
    {41, "TD|TCD|Tchad"},
    {42, "CL|CHL"},
    {43, "CN|CHN|中国|中华人民共和国|People's Republic of China|PRC"},
    {44, "CO|COL"},
    {45, "KM|COM|Comores"},
    {46, "CD|COD|Democratic Republic of the Congo|Congo, the Democratic Republic of the|"
         "Congo, Democratic Republic of the|DR Congo|DRC|Congo-Kinshasa|Congo (Kinshasa)|"
         "République démocratique du Congo|RDC"},
    {47, "CG|COG|Republic of the Congo|Congo-Brazzaville|Congo (Brazzaville)"},
    {48, "CK|COK"},
    {49, "CR|CRI"},
    {50, "CI|CIV|Côte d'Ivoire"},
    {51, "HR|HRV|Hrvatska"},
    {52, "CU|CUB"},
    {53, "CY|CYP|Κύπρος|Kıbrıs"},
    {54, "CZ|CZE|Czechia|Česko|Česká republika"},
    {55, "DK|DNK|Danmark"},
    {56, "DJ|DJI"},
    {57, "DM|DMA"},
    {58, "DO|DOM|República Dominicana"},
    {59, "EC|ECU"},
    {60, "EG|EGY|مصر"},
    {61, "SV|SLV"},
    {62, "GQ|GNQ|Guinea Ecuatorial|Guinée équatoriale"},
    {63, "ER|ERI"},
    {64, "EE|EST|Eesti"},
    {65, "ET|ETH|ኢትዮጵያ"},
    {66, "FK|FLK|Falkland Islands (Malvinas)|Malvinas"},
    {67, "FJ|FJI"},
    {68, "FI|FIN|Suomi"},
    {69, "FR|FRA|République française"},
    {70, "GF|GUF|Guyane|Guyane française"},
    {71, "PF|PYF|Polynésie française"},
    {72, "GA|GAB"},
    {73, "GM|GMB|Gambia"},
    {74, "PS|PSE|Palestine|State of Palestine|Palestine, State of|Palestinian Territories|"
         "Palestinian Territory|فلسطين"},
    {75, "GE|GEO|Sakartvelo|საქართველო"},
    {76, "DE|DEU|Deutschland|Bundesrepublik Deutschland"},
    {77, "GH|GHA"},
    {78, "GI|GIB"},
    {79, "GR|GRC|Ελλάδα|Ελλάς|Hellas|Ellada"},
    {80, "GL|GRL|Kalaallit Nunaat|Grønland"},
    {81, "GD|GRD"},
    {82, "GP|GLP"},
    {83, "GU|GUM"},
    {84, "GT|GTM"},
    {85, "GN|GIN|Guinée"},
    {86, "GW|GNB|Guiné-Bissau"},
    {87, "GY|GUY"},
    {88, "HT|HTI|Haïti|Ayiti"},
    {89, "VA|VAT|Holy See|Vatican|Vatican City|Vatican City State|"
         "Holy See (Vatican City State)|Città del Vaticano"},
    {90, "HN|HND"},
    {91, "HK|HKG|香港|Hong Kong SAR"},
    {92, "HU|HUN|Magyarország"},
    {93, "IS|ISL|Ísland"},
    {94, "IN|IND|Bharat|भारत"},
    {95, "ID|IDN"},
    {96, "IR|IRN|Iran, Islamic Republic of|Islamic Republic of Iran|ایران"},
    {97, "IQ|IRQ|العراق"},
    {98, "IE|IRL|Éire|Republic of Ireland"},
    {99, "IL|ISR|ישראל"},
    {100, "IT|ITA|Italia"},
    {102, "JM|JAM"},
    {103, "JP|JPN|日本|Nippon|Nihon"},
    {104, "JO|JOR|الأردن"},
    {105, "KZ|KAZ|Қазақстан|Казахстан"},
    {106, "KE|KEN"},
    {107, "KI|KIR"},
    {108, "KW|KWT|الكويت"},
    {109, "KG|KGZ|Kyrgyz Republic|Кыргызстан"},
    {110, "LA|LAO|Lao People's Democratic Republic|Lao PDR"},
    {111, "LV|LVA|Latvija"},
    {112, "LB|LBN|Liban|لبنان"},
    {113, "LS|LSO"},
    {114, "LR|LBR"},
    {115, "LY|LBY|ليبيا"},
    {116, "LI|LIE"},
    {117, "LT|LTU|Lietuva"},
    {118, "LU|LUX|Lëtzebuerg|Luxemburg"},
    {119, "MO|MAC|Macao|澳門|Macau SAR"},
    {120, "MK|MKD|North Macedonia|Северна Македонија|Македонија"},
    {121, "MG|MDG"},
    {122, "MW|MWI"},
    {123, "MY|MYS"},
    {124, "MV|MDV"},
    {125, "ML|MLI"},
    {126, "MT|MLT"},
    {127, "MH|MHL"},
    {128, "MQ|MTQ"},
    {129, "MR|MRT|Mauritanie"},
    {130, "MU|MUS|Maurice"},
    {131, "YT|MYT"},
    {132, "MX|MEX|México"},
    {133, "FM|FSM|Micronesia|Micronesia, Federated States of"},
    {134, "MD|MDA|Republic of Moldova|Moldova, Republic of"},
    {135, "MC|MCO"},
    {136, "MN|MNG|Монгол Улс"},
    {137, "MS|MSR"},
    {138, "MA|MAR|Maroc|المغرب"},
    {139, "MZ|MOZ|Moçambique"},
    {140, "NAM"},
    {141, "NR|NRU"},
    {142, "NP|NPL|नेपाल"},
    {143, "NL|NLD|Nederland|Holland"},
    {144, "AN|ANT|Curaçao|CW|CUW|Sint Maarten|SX|SXM|Bonaire|BQ|BES"},
    {145, "NC|NCL|Nouvelle-Calédonie"},
    {146, "NZ|NZL|Aotearoa"},
    {154, "NI|NIC"},
    {155, "NE|NER"},
    {156, "NG|NGA"},
    {157, "KP|PRK|Korea, Democratic People's Republic of|"
          "Democratic People's Republic of Korea|DPRK|조선"},
    {158, "MP|MNP"},
    {159, "NO|NOR|Norge|Noreg"},
    {160, "OM|OMN|عمان"},
    {162, "PK|PAK|پاکستان"},
    {163, "PW|PLW"},
    {164, "PA|PAN|Panamá"},
    {165, "PG|PNG"},
    {166, "PY|PRY"},
    {167, "PE|PER|Perú"},
    {168, "PH|PHL|Pilipinas"},
    {169, "PN|PCN|Pitcairn"},
    {170, "PL|POL|Polska"},
    {171, "PT|PRT"},
    {172, "PR|PRI"},
    {173, "QA|QAT|قطر"},
    {174, "RE|REU|Réunion|La Réunion"},
    {175, "RO|ROU|ROM|România"},
    {176, "RU|RUS|Russian Federation|Россия|Rossiya"},
    {177, "RW|RWA"},
    {178, "KN|KNA|St Kitts and Nevis|Saint Kitts & Nevis|St Kitts & Nevis"},
    {179, "LC|LCA|St Lucia"},
    {180, "PM|SPM|St Pierre and Miquelon|Saint-Pierre-et-Miquelon"},
    {181, "VC|VCT|St Vincent and the Grenadines|Saint Vincent & the Grenadines|"
          "St Vincent & the Grenadines"},
    {182, "WS|WSM"},
    {183, "SM|SMR"},
    {184, "ST|STP|São Tomé e Príncipe"},
    {185, "SA|SAU|السعودية|المملكة العربية السعودية"},
    {186, "SN|SEN|Sénégal"},
    {187, "CS|SCG|Serbia and Montenegro|Serbia & Montenegro|Serbia|RS|SRB|Srbija|Србија|"
          "Montenegro|ME|MNE|Crna Gora|Црна Гора"},
    {188, "SC|SYC"},
    {189, "SL|SLE"},
    {190, "SG|SGP|Singapura|新加坡"},
    {191, "SK|SVK|Slovensko|Slovak Republic"},
    {192, "SI|SVN|Slovenija"},
    {193, "SB|SLB"},
    {194, "SO|SOM|Soomaaliya"},
    {195, "ZA|ZAF|RSA|Suid-Afrika"},
    {196, "KR|KOR|Korea|Korea, Republic of|Republic of Korea|대한민국|한국"},
    {197, "ES|ESP|España"},
    {198, "LK|LKA|ශ්‍රී ලංකාව"},
    {199, "SD|SDN|السودان"},
    {200, "SR|SUR|Surinam"},
    {201, "SZ|SWZ|Eswatini|Kingdom of Eswatini"},
    {202, "SE|SWE|Sverige"},
    {203, "CH|CHE|Schweiz|Suisse|Svizzera|Svizra|Confoederatio Helvetica"},
    {204, "SY|SYR|Syrian Arab Republic|سوريا"},
    {205, "TW|TWN|Taiwan, Province of China|臺灣|台灣"},
    {206, "TJ|TJK|Тоҷикистон"},
    {207, "TZ|TZA|Tanzania, United Republic of|United Republic of Tanzania"},
    {208, "TH|THA|ประเทศไทย|Prathet Thai"},
    {209, "TG|TGO"},
    {210, "TO|TON"},
    {211, "TT|TTO|Trinidad & Tobago"},
    {212, "TN|TUN|Tunisie|تونس"},
    {213, "TR|TUR|Türkiye"},
    {214, "TM|TKM|Türkmenistan"},
    {215, "TC|TCA|Turks & Caicos Islands"},
    {216, "TV|TUV"},
    {217, "UG|UGA"},
    {218, "UA|UKR|Україна"},
    {219, "AE|ARE|UAE|الإمارات العربية المتحدة|الإمارات"},
    {220, "GB|GBR|UK|Great Britain|Britain|England|Scotland|Wales|Northern Ireland|"
          "United Kingdom of Great Britain and Northern Ireland"},
    {221, "US|USA|United States of America|America|United States (USA)|"
          "Estados Unidos|Vereinigte Staaten"},
    {222, "VI|VIR|Virgin Islands, U.S.|US Virgin Islands|Virgin Islands (U.S.)|USVI"},
    {223, "UY|URY"},
    {224, "UZ|UZB|Oʻzbekiston|O'zbekiston"},
    {225, "VU|VUT"},
    {226, "VE|VEN|Venezuela, Bolivarian Republic of|Bolivarian Republic of Venezuela"},
    {227, "VN|VNM|Viet Nam|Việt Nam"},
    {229, "EH|ESH"},
    {230, "YE|YEM|اليمن"},
    {231, "YU|YUG"},
    {232, "ZR|ZAR"},
    {233, "ZM|ZMB"},
    {234, "ZW|ZWE"},
};

// Base letters of U+00C0 to U+00FF and of U+0100 to U+017F; '*' keeps the character.
constexpr char kLatin1[] = "aaaaaaaceeeeiiiidnooooo*ouuuuyts"
                           "aaaaaaaceeeeiiiidnooooo*ouuuuyty";
constexpr char kLatinA[] = "aaaaaaccccccccdd"
                           "ddeeeeeeeeeegggg"
                           "gggghhhhiiiiiiii"
                           "iiiijjkkklllllll"
                           "lllnnnnnnnnnoooo"
                           "oooorrrrrrssssss"
                           "ssttttttuuuuuuuu"
                           "uuuuwwyyyzzzzzzs";
static_assert(sizeof kLatin1 == 65 && sizeof kLatinA == 129);

// Small letters of Greek and Cyrillic capitals, and Greek letters without their accents.
char32_t foldOther(char32_t cp) {
    if (cp >= 0x391 && cp <= 0x3A9)
        return cp + 0x20;
    switch (cp) {
    case 0x3AC:
        return 0x3B1;
    case 0x3AD:
        return 0x3B5;
    case 0x3AE:
        return 0x3B7;
    case 0x3AF:
        return 0x3B9;
    case 0x3CC:
        return 0x3BF;
    case 0x3CD:
        return 0x3C5;
    case 0x3CE:
        return 0x3C9;
    case 0x3C2:
        return 0x3C3;
    case 0x218:
    case 0x219:
        return 's';
    case 0x21A:
    case 0x21B:
        return 't';
    case 0x2BB: // the Uzbek turned comma
    case 0x2019:
    case 0x2018:
    case '`':
        return '\'';
    default:
        break;
    }
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

const std::unordered_map<std::string, std::int32_t>& countryIndex() {
    static const auto index = [] {
        std::unordered_map<std::string, std::int32_t> map;
        // The list's own names first, so that no other name takes one of them.
        for (int i = 1; i < kCountryCount; ++i)
            map.emplace(FoldCountryName(kCountries[static_cast<std::size_t>(i)]), i);
        for (const Aliases& a : kAliases) {
            const std::string_view names = a.names;
            for (std::size_t at = 0; at <= names.size();) {
                const std::size_t bar = std::min(names.find('|', at), names.size());
                map.emplace(FoldCountryName(names.substr(at, bar - at)), a.index);
                at = bar + 1;
            }
        }
        return map;
    }();
    return index;
}

} // namespace

std::string FoldCountryName(std::string_view utf8Name) {
    std::string out;
    out.reserve(utf8Name.size());
    bool blank = false;
    for (std::size_t i = 0; i < utf8Name.size();) {
        char32_t cp = NextCodePoint(utf8Name, i);
        if (cp == '.')
            continue;
        if (cp == ' ' || cp == '\t' || cp == '-' || cp == '_' || cp == 0xA0 || cp == '\n' ||
            cp == '\r') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        if (cp == '&') {
            out += "and";
            continue;
        }
        if (cp >= 'A' && cp <= 'Z')
            cp += 'a' - 'A';
        if (cp >= 0xC0 && cp <= 0xFF && kLatin1[cp - 0xC0] != '*') {
            const char base = kLatin1[cp - 0xC0];
            out += base;
            if (cp == 0xC6 || cp == 0xE6)
                out += 'e'; // Æ æ
            else if (cp == 0xDF)
                out += 's'; // ß
            else if (cp == 0xDE || cp == 0xFE)
                out += 'h'; // Þ þ
            continue;
        }
        if (cp >= 0x100 && cp <= 0x17F) {
            out += kLatinA[cp - 0x100];
            continue;
        }
        AppendUtf8(out, foldOther(cp));
    }
    if (out.compare(0, 4, "the ") == 0)
        out.erase(0, 4);
    return out;
}

std::int32_t MatchCountry(std::string_view utf8Name) {
    const std::string_view name = TrimBlanks(utf8Name);
    if (name.empty() || !IsValidUtf8(name))
        return 0;
    const auto& index = countryIndex();
    const auto it = index.find(FoldCountryName(name));
    return it == index.end() ? 0 : it->second;
}

} // namespace quenlark
