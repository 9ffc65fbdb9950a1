// Feeds arbitrary bytes to the language-file reader and the catalogue's load, and checks what
// the catalogue promises afterwards.
#include "lang/builtin_texts.h"
#include "lang/ini_file.h"
#include "lang/lang_strings.h"
#include "lang/text_case.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace LANGUAGE;
    const TIniFile file(std::string_view(reinterpret_cast<const char*>(data), size));

    for (const std::u16string& name : file.GetSectionNames()) {
        Require(!name.empty());
        for (const char16_t* key : {u"Name", u"Description", u"1001", u"1053"}) {
            const std::u16string value = file.ReadString(name, key, u"\n");
            Require(value == u"\n" || value.find_first_of(u"\r\n") == std::u16string::npos);
        }
    }

    TLangStrings strings;
    strings.SelectLanguage(3); // clamps to 0: one entry before the load
    strings.LoadFromIniFile(file);
    const int count = strings.GetLanguageCount();
    Require(count >= 1);
    Require(strings.IndexOfLanguage(DefaultLangCode) >= 0);
    for (int i = 0; i < count; ++i) {
        const TLang* lang = strings.GetLanguage(i);
        Require(lang != nullptr);
        Require(strings.IndexOfLanguage(lang->m_Code) == i);
        if (i > 0) {
            Require(CompareIgnoreCase(strings.GetLanguage(i - 1)->m_Code, lang->m_Code) < 0);
        }
    }
    Require(strings.GetLanguage(count) == nullptr);

    strings.SelectLanguage(count - 1);
    for (int id = FirstTextId - 1; id <= LastTextId + 1; ++id) {
        const std::u16string text = strings.GetText(id);
        Require(text.find(u'\r') == std::u16string::npos);
        if (id < FirstTextId || id > LastTextId) {
            Require(text.empty());
        }
    }
    return 0;
}
