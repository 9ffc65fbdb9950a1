#include "lang/lang_strings.h"

#include "lang/builtin_texts.h"
#include "lang/ini_file.h"
#include "lang/text_case.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace LANGUAGE {

const std::u16string DefaultLangCode = u"en_EN";
const std::u16string DefaultLangName = u"English";

TLangStrings::TLangStrings() {
    try {
        AddLanguage(DefaultLangCode);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Not enough of memory.");
    }
}

TLangStrings::~TLangStrings() = default;

namespace {

// The sections the catalogue keeps, offered one at a time: it never holds more than it keeps,
// so a file of a million sections costs what 64 do.
class TKeptSections {
public:
    // A section seen, and whether it has a Name; a code offered again can only gain its name.
    void Offer(std::u16string_view code, bool named) {
        if (m_Kept.size() == Room && !Before(named, code, m_Kept.back())) {
            return; // the common case of a huge file: nothing to look at
        }
        const auto same = std::find_if(m_Kept.begin(), m_Kept.end(), [&](const TEntry& e) {
            return EqualsIgnoreCase(e.Code, code);
        });
        if (same != m_Kept.end()) {
            if (!named || same->Named) {
                return;
            }
            m_Kept.erase(same);
        }
        const auto at = std::find_if(m_Kept.begin(), m_Kept.end(),
                                     [&](const TEntry& e) { return Before(named, code, e); });
        m_Kept.insert(at, TEntry{std::u16string(code), named});
        if (m_Kept.size() > Room) {
            m_Kept.pop_back();
        }
    }

    // The codes kept, the default's among them, sorted by code.
    std::vector<std::u16string> Codes() const {
        std::vector<std::u16string> codes;
        for (const TEntry& e : m_Kept) {
            codes.push_back(e.Code);
        }
        if (std::none_of(codes.begin(), codes.end(), [](const std::u16string& c) {
                return EqualsIgnoreCase(c, DefaultLangCode);
            })) {
            codes.push_back(DefaultLangCode);
        }
        std::stable_sort(codes.begin(), codes.end(),
                         [](const std::u16string& a, const std::u16string& b) {
                             return CompareIgnoreCase(a, b) < 0;
                         });
        return codes;
    }

    bool Keeps(std::u16string_view code) const {
        return std::any_of(m_Kept.begin(), m_Kept.end(),
                           [&](const TEntry& e) { return EqualsIgnoreCase(e.Code, code); });
    }

private:
    struct TEntry {
        std::u16string Code;
        bool Named = false;
    };
    // Room beside the default, which is always kept.
    static constexpr std::size_t Room = MaxLanguages - 1;
    std::vector<TEntry> m_Kept; // named ones first, each kind by code

    static bool Before(bool named, std::u16string_view code, const TEntry& e) {
        return named != e.Named ? named : CompareIgnoreCase(code, e.Code) < 0;
    }
};

bool IsDefaultCode(std::u16string_view code) {
    return EqualsIgnoreCase(code, DefaultLangCode);
}

} // namespace

std::string TLangStrings::LoadFromFile(const std::u16string& path) {
    const qmr::TStateFile read = qmr::ReadStateFile(path, qmr::TStateFileKind::LanguageFile);
    if (read.WasRead()) {
        // Which sections to keep is found first, walking the text; only they are then read.
        const std::u16string text = DecodeFileText(read.Bytes);
        TKeptSections kept;
        ScanIniText(
            text, [&](std::u16string_view section) { kept.Offer(section, false); },
            [&](std::u16string_view section, std::u16string_view key, std::u16string_view value) {
                if (!value.empty() && EqualsIgnoreCase(key, u"Name")) {
                    kept.Offer(section, true);
                }
            });
        LoadFromIniFile(TIniFile(text, [&](std::u16string_view section) {
            return IsDefaultCode(section) || kept.Keeps(section);
        }));
    }
    // A missing file is the ordinary case of a program without translations: no reason.
    return read.Why();
}

void TLangStrings::LoadFromIniFile(const TIniFile& file) {
    TKeptSections kept;
    for (const std::u16string& section : file.GetSectionNames()) {
        kept.Offer(section, !file.ReadString(section, u"Name", std::u16string()).empty());
    }
    std::vector<std::u16string> codes = kept.Codes();

    // Built aside and swapped in, so that a failure half way leaves the old entries in place.
    std::vector<std::unique_ptr<TLang>> languages;
    languages.reserve(codes.size());
    for (const std::u16string& code : codes) {
        auto lang = std::make_unique<TLang>(code);
        lang->LoadFromIniFile(file); // not yet connected: a load sends no notice
        if (lang->m_Name.empty() && IsDefaultCode(code)) {
            lang->m_Name = DefaultLangName;
        }
        lang->SetOnChange([this](TLang* sender) { LanguageChanged(sender); });
        languages.push_back(std::move(lang));
    }
    m_Languages.swap(languages);
    m_Codes.swap(codes);
    // m_CurrentIndex stays, even beyond the new end: texts are built-in until the next selection.
}

TLang* TLangStrings::AddLanguage(const std::u16string& code) {
    const int index = IndexOfLanguage(code);
    return index >= 0 ? m_Languages[static_cast<std::size_t>(index)].get() : AppendLanguage(code);
}

TLang* TLangStrings::AppendLanguage(const std::u16string& code) {
    auto lang = std::make_unique<TLang>(code);
    lang->SetOnChange([this](TLang* sender) { LanguageChanged(sender); });
    // Room in both lists first, so that they cannot end up of different lengths.
    m_Codes.reserve(m_Codes.size() + 1);
    m_Languages.reserve(m_Languages.size() + 1);
    m_Codes.push_back(code);
    m_Languages.push_back(std::move(lang));
    return m_Languages.back().get();
}

int TLangStrings::IndexOfLanguage(std::u16string_view code) const {
    for (std::size_t i = 0; i < m_Codes.size(); ++i) {
        if (EqualsIgnoreCase(m_Codes[i], code)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TLang* TLangStrings::GetLanguage(int index) const {
    if (index < 0 || index >= GetLanguageCount()) {
        return nullptr;
    }
    return m_Languages[static_cast<std::size_t>(index)].get();
}

int TLangStrings::GetLanguageCount() const {
    return static_cast<int>(m_Languages.size());
}

void TLangStrings::SelectLanguage(int index) {
    const int count = GetLanguageCount();
    if (index >= count) {
        index = count - 1;
    }
    if (index < 0) {
        index = 0;
    }
    if (index == m_CurrentIndex) {
        return;
    }
    m_CurrentIndex = index;
    NotifyControls();
}

int TLangStrings::GetCurrentIndex() const {
    return m_CurrentIndex;
}

std::u16string TLangStrings::GetText(int id) const {
    if (const TLang* lang = GetLanguage(m_CurrentIndex)) {
        return lang->GetText(id);
    }
    return GetBuiltInText(id);
}

void TLangStrings::AttachControl(TLangControl* control) {
    if (std::find(m_Controls.begin(), m_Controls.end(), control) == m_Controls.end()) {
        m_Controls.push_back(control);
    }
}

void TLangStrings::DetachControl(TLangControl* control) {
    const auto it = std::find(m_Controls.begin(), m_Controls.end(), control);
    if (it != m_Controls.end()) {
        m_Controls.erase(it);
    }
}

void TLangStrings::LanguageChanged(TLang* sender) {
    if (sender != nullptr && sender == GetLanguage(m_CurrentIndex)) {
        NotifyControls();
    }
}

void TLangStrings::NotifyControls() {
    // A handler may attach or detach controls, itself included; walk a copy and skip whatever
    // has been detached meanwhile, since a detached control may already be gone.
    const std::vector<TLangControl*> controls = m_Controls;
    for (TLangControl* control : controls) {
        if (control == nullptr ||
            std::find(m_Controls.begin(), m_Controls.end(), control) == m_Controls.end()) {
            continue;
        }
        try {
            control->HandleLangChanged(m_CurrentIndex, this);
        } catch (...) {
            // One window's failure must not keep the notice from the others.
        }
    }
}

namespace {

// The built-in store is created first, so that it outlives the catalogue.
TLangStrings* CreateProcessCatalogue() {
    CreateBuiltInStore();
    return new TLangStrings();
}

} // namespace

TPLangStrings LangStrings(CreateProcessCatalogue());

std::u16string GetLangText(int id) {
    if (!LangStrings) {
        return {};
    }
    return LangStrings->GetText(id);
}

} // namespace LANGUAGE
