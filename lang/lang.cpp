#include "lang/builtin_texts.h"
#include "lang/ini_file.h"
#include "lang/lang_strings.h"
#include "lang/text_case.h"

#include "base/format.h"

#include <new>
#include <stdexcept>

namespace LANGUAGE {

namespace {

// What a missing key reads as. No value can equal it: a value comes from one line, so it holds
// neither a line feed nor a carriage return.
const std::u16string MissingKey = u"\n\b\r";

// Backslash and lowercase n stand for a line feed; nothing else is an escape.
std::u16string ReplaceLineFeedEscapes(const std::u16string& value) {
    std::u16string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size() && value[i + 1] == u'n') {
            text.push_back(u'\n');
            ++i;
        } else {
            text.push_back(value[i]);
        }
    }
    return text;
}

} // namespace

TLang::TLang(const std::u16string& code) : m_Code(code) {
    try {
        m_Texts = std::make_unique<std::vector<std::optional<std::u16string>>>(TextIdCount);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Not enough of memory.");
    }
}

TLang::~TLang() = default;

void TLang::LoadFromFile(const std::u16string& path) {
    if (const qmr::TStateFile read = qmr::ReadStateFile(path, qmr::TStateFileKind::LanguageFile);
        read.WasRead()) {
        // Only this language's section is kept, whatever else the file holds.
        LoadFromIniFile(TIniFile(DecodeFileText(read.Bytes), [this](std::u16string_view section) {
            return EqualsIgnoreCase(section, m_Code);
        }));
    }
}

void TLang::LoadFromIniFile(const TIniFile& file) {
    for (auto& text : *m_Texts) {
        text.reset();
    }
    for (int id = FirstTextId; id <= LastTextId; ++id) {
        const std::u16string value = file.ReadString(m_Code, qmr::Format(u"%i", {id}), MissingKey);
        if (value != MissingKey) {
            (*m_Texts)[static_cast<std::size_t>(id - FirstTextId)] = ReplaceLineFeedEscapes(value);
        }
    }
    if (std::u16string name = file.ReadString(m_Code, u"Name", MissingKey); name != MissingKey) {
        m_Name = std::move(name);
    }
    if (std::u16string description = file.ReadString(m_Code, u"Description", MissingKey);
        description != MissingKey) {
        m_Description = std::move(description);
    }
    Changed();
}

std::u16string TLang::GetText(int id) const {
    if (id >= FirstTextId && id <= LastTextId) {
        const auto& text = (*m_Texts)[static_cast<std::size_t>(id - FirstTextId)];
        if (text) {
            return *text;
        }
    }
    return GetBuiltInText(id);
}

void TLang::Changed() {
    if (!m_OnChange) {
        return;
    }
    try {
        m_OnChange(this);
    } catch (...) {
        // A change notice must not break the load that raised it.
    }
}

void TLang::SetOnChange(TChangeEvent onChange) {
    m_OnChange = std::move(onChange);
}

} // namespace LANGUAGE
