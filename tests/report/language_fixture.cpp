#include "language_fixture.h"

#include "base/utf16_text.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace qmr::test {

void LanguageTest::UseLanguageFile(const std::string& content, const std::u16string& code) {
    std::random_device random;
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("qmr-report-language-" + std::to_string(random()) + ".ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    LANGUAGE::LangStrings->LoadFromFile(Utf8ToUtf16(path.string()));
    std::filesystem::remove(path);
    const int index = LANGUAGE::LangStrings->IndexOfLanguage(code);
    ASSERT_GE(index, 0) << "the language file holds no section " << Utf16ToUtf8(code);
    LANGUAGE::LangStrings->SelectLanguage(index);
}

} // namespace qmr::test
