#include "presenter/user_choices.h"

#include <charconv>
#include <string_view>

namespace qmr {

namespace {
constexpr char kLanguageKey[] = "Language";
constexpr char kGeometryKey[] = "Geometry";
constexpr char kSelectedAdapterKey[] = "SelectedAdapter";
// Far beyond any desktop, near enough to zero that sums of coordinates cannot overflow.
constexpr int kGeometryLimit = 1 << 20;
constexpr std::size_t kLanguageCodeMaxLength = 32;
// An interface name is at most 15 bytes on Linux; Windows' adapter names (GUIDs) are longer.
constexpr std::size_t kAdapterNameMaxLength = 256;

bool IsLanguageCode(std::u16string_view code) {
    if (code.empty() || code.size() > kLanguageCodeMaxLength) {
        return false;
    }
    for (const char16_t c : code) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                        (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != static_cast<unsigned char>(word[i])) {
            return false;
        }
    }
    return true;
}

// "@Rect(10 20 640 480)", as QSettings writes a rectangle; nothing for anything else.
std::optional<TWindowRect> ParseRect(std::u16string_view text) {
    constexpr std::u16string_view kHead = u"@Rect(";
    if (text.substr(0, kHead.size()) != kHead || text.empty() || text.back() != u')') {
        return std::nullopt;
    }
    text = text.substr(kHead.size(), text.size() - kHead.size() - 1);
    std::string ascii;
    for (const char16_t c : text) {
        if (c >= 0x80) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    int v[4];
    const char* p = ascii.data();
    const char* end = ascii.data() + ascii.size();
    for (int& n : v) {
        while (p < end && *p == ' ') {
            ++p;
        }
        const auto [next, ec] = std::from_chars(p, end, n);
        if (ec != std::errc() || next == p) {
            return std::nullopt;
        }
        p = next;
    }
    if (p != end) {
        return std::nullopt;
    }
    return TWindowRect{v[0], v[1], v[2], v[3]};
}

std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}
} // namespace

TUserChoices::TUserChoices(TChoiceStore& store) : m_Store(store) {
    for (const char* key : {kShowVirtualAdapters.Key, kExpertMode.Key, kNotifyOnLinkChanges.Key,
                            kLanguageKey, kGeometryKey, kSelectedAdapterKey}) {
        if (std::optional<std::u16string> value = m_Store.Read(key)) {
            m_Values[key] = std::move(*value);
        }
    }
}

std::u16string TUserChoices::Stored(const char* key) const {
    const auto found = m_Values.find(key);
    return found != m_Values.end() ? found->second : std::u16string();
}

void TUserChoices::Save(const char* key, const std::u16string& value) {
    m_Values[key] = value;
    m_Unsaved.insert(key);
    // At once: the program may be ended by a signal, with no chance to write later. A store
    // that refuses the write keeps nothing: the value holds for this run, and goes along with
    // the next choice, so a store that takes writes again keeps it too. One refusal ends the
    // round, since a busy settings lock costs a second each time.
    for (auto it = m_Unsaved.begin(); it != m_Unsaved.end();) {
        if (!m_Store.Write(*it, m_Values[*it])) {
            m_StoreProblem = m_Store.WriteProblem();
            return;
        }
        it = m_Unsaved.erase(it);
    }
    m_StoreProblem.clear();
}

std::u16string TUserChoices::WriteProblem() const {
    if (m_Unsaved.empty()) {
        return {};
    }
    return u"the choice is kept for this run only: " +
           (m_StoreProblem.empty() ? u"it could not be stored" : m_StoreProblem);
}

bool TUserChoices::Get(const TSwitchChoice& choice) const {
    const std::u16string stored = Stored(choice.Key);
    const std::u16string_view text = Trimmed(stored);
    if (EqualsIgnoringCase(text, "true")) {
        return true;
    }
    if (EqualsIgnoringCase(text, "false")) {
        return false;
    }
    return choice.Default;
}

void TUserChoices::Set(const TSwitchChoice& choice, bool on) {
    Save(choice.Key, on ? u"true" : u"false");
}

std::u16string TUserChoices::Language() const {
    const std::u16string code = Stored(kLanguageKey);
    return IsLanguageCode(code) ? code : std::u16string();
}

void TUserChoices::SetLanguage(const std::u16string& code) {
    Save(kLanguageKey, code);
}

std::u16string TUserChoices::SelectedAdapter() const {
    const std::u16string name = Stored(kSelectedAdapterKey);
    return name.size() <= kAdapterNameMaxLength ? name : std::u16string();
}

void TUserChoices::SetSelectedAdapter(const std::u16string& interfaceName) {
    if (interfaceName != Stored(kSelectedAdapterKey)) {
        Save(kSelectedAdapterKey, interfaceName);
    }
}

TWindowRect TUserChoices::Geometry() const {
    const std::optional<TWindowRect> r = ParseRect(Stored(kGeometryKey));
    const auto inRange = [](int v) { return v > -kGeometryLimit && v < kGeometryLimit; };
    if (!r || r->Empty() || !inRange(r->Left) || !inRange(r->Top) || !inRange(r->Width) ||
        !inRange(r->Height)) {
        return {};
    }
    return *r;
}

void TUserChoices::SetGeometry(const TWindowRect& g) {
    Save(kGeometryKey, Utf16("@Rect(" + std::to_string(g.Left) + " " + std::to_string(g.Top) + " " +
                             std::to_string(g.Width) + " " + std::to_string(g.Height) + ")"));
}

} // namespace qmr
