#include "shell/locale_language.h"

#include <gtest/gtest.h>

using qmr::LanguageIdFromLocaleName;

TEST(LocaleLanguage, RussianRussiaAloneGives1049) {
    for (const char* name : {"ru_RU", "ru_RU.UTF-8", "ru_RU.KOI8-R", "ru_RU.utf8@euro", "ru_ru"}) {
        EXPECT_EQ(LanguageIdFromLocaleName(name), 1049) << name;
    }
    // Other Russian variants are Russian, but not Russian (Russia).
    EXPECT_EQ(LanguageIdFromLocaleName("ru_UA.UTF-8"), 0x0019);
    EXPECT_EQ(LanguageIdFromLocaleName("ru"), 0x0019);
    EXPECT_EQ(LanguageIdFromLocaleName("ru_MD"), 0x0819);
    for (const char* name : {"uk_UA.UTF-8", "be_BY.UTF-8", "rus_RU", "xru_RU", "RU"}) {
        EXPECT_NE(LanguageIdFromLocaleName(name), 1049) << name;
    }
}

TEST(LocaleLanguage, OtherLocalesGiveTheirWindowsIdentifiers) {
    EXPECT_EQ(LanguageIdFromLocaleName("en_US.UTF-8"), 1033);
    EXPECT_EQ(LanguageIdFromLocaleName("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(LanguageIdFromLocaleName("de_DE.UTF-8"), 1031);
    EXPECT_EQ(LanguageIdFromLocaleName("de_AT"), 0x0C07);
    EXPECT_EQ(LanguageIdFromLocaleName("pt_BR.UTF-8"), 0x0416);
    EXPECT_EQ(LanguageIdFromLocaleName("de_BE"), 0x0007); // neutral German
    EXPECT_EQ(LanguageIdFromLocaleName("xx_YY"), 0x1000); // unknown language
    EXPECT_EQ(LanguageIdFromLocaleName("tlh"), 0x1000);
}

TEST(LocaleLanguage, PortableLocaleIsEnglish) {
    for (const char* name : {"", "C", "POSIX", "C.UTF-8", "C.utf8"}) {
        EXPECT_EQ(LanguageIdFromLocaleName(name), 1033) << name;
    }
}
