#include "shell/locale_language.h"

#include <string>

namespace qmr {

namespace {

struct TLanguageCode {
    std::string_view m_Name;
    std::uint16_t m_Id;
};

// Primary language identifiers; with sub-language 0 they are the languages' neutral identifiers.
constexpr TLanguageCode kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16},
    {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C},
    {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23},
    {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29}, {"vi", 0x2A},
    {"hy", 0x2B}, {"az", 0x2C}, {"mk", 0x2F}, {"ka", 0x37}, {"hi", 0x39}, {"kk", 0x3F},
    {"ky", 0x40}, {"uz", 0x43}, {"tt", 0x44},
};

// Language and territory pairs that Windows names with an identifier of their own.
constexpr TLanguageCode kLocales[] = {
    {"ar_SA", 0x0401}, {"bg_BG", 0x0402}, {"ca_ES", 0x0403}, {"zh_TW", 0x0404}, {"zh_CN", 0x0804},
    {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"cs_CZ", 0x0405}, {"da_DK", 0x0406}, {"de_DE", 0x0407},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"el_GR", 0x0408}, {"en_US", 0x0409},
    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"es_MX", 0x080A}, {"es_ES", 0x0C0A}, {"es_AR", 0x2C0A},
    {"fi_FI", 0x040B}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"he_IL", 0x040D}, {"hu_HU", 0x040E}, {"is_IS", 0x040F}, {"it_IT", 0x0410}, {"it_CH", 0x0810},
    {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"nb_NO", 0x0414},
    {"nn_NO", 0x0814}, {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"ro_RO", 0x0418},
    {"ru_RU", 0x0419}, {"ru_MD", 0x0819}, {"hr_HR", 0x041A}, {"sk_SK", 0x041B}, {"sv_SE", 0x041D},
    {"sv_FI", 0x081D}, {"th_TH", 0x041E}, {"tr_TR", 0x041F}, {"uk_UA", 0x0422}, {"be_BY", 0x0423},
    {"sl_SI", 0x0424}, {"et_EE", 0x0425}, {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"vi_VN", 0x042A},
    {"kk_KZ", 0x043F},
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::uint16_t LanguageIdFromLocaleName(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") {
        return kLanguageEnglishUnitedStates;
    }
    const std::size_t underscore = locale.find('_');
    std::string language;
    for (const char c : locale.substr(0, underscore)) {
        language += Lower(c);
    }
    if (underscore != std::string_view::npos) {
        std::string name = language + '_';
        for (const char c : locale.substr(underscore + 1)) {
            name += Upper(c);
        }
        for (const TLanguageCode& entry : kLocales) {
            if (entry.m_Name == name) {
                return entry.m_Id;
            }
        }
    }
    for (const TLanguageCode& entry : kLanguages) {
        if (entry.m_Name == language) {
            return entry.m_Id;
        }
    }
    return kLanguageCustomUnspecified;
}

std::string_view MessagesLocaleName(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

} // namespace qmr
