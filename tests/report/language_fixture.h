#pragma once
// Each test starts with a fresh catalogue holding only the built-in English texts, and leaves
// one behind, so a test that switches language cannot leak its words into the next.

#include "lang/lang_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace qmr::test {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings); }
    void TearDown() override { LANGUAGE::LangStrings.reset(new LANGUAGE::TLangStrings); }

    // Writes `content` (UTF-8) as a language file, loads it and selects `code`.
    void UseLanguageFile(const std::string& content, const std::u16string& code);
};

} // namespace qmr::test
