#include "lang/ini_file.h"

#include "base/file_bytes.h"
#include "base/utf16_text.h"
#include "lang/text_case.h"

namespace LANGUAGE {

namespace {

constexpr char16_t Replacement = 0xFFFD;

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const unsigned hi = bigEndian ? p[i] : p[i + 1];
        const unsigned lo = bigEndian ? p[i + 1] : p[i];
        text.push_back(static_cast<char16_t>(hi << 8 | lo));
    }
    if (i < bytes.size()) {
        text.push_back(Replacement); // an odd byte at the end
    }
    return text;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// The lines of the text as the reader sees them: `onSection(name)` for every section line with
// a name, `onValue(key, value)` for every value line under one.
template <typename OnSection, typename OnValue>
void WalkIniText(std::u16string_view text, OnSection&& onSection, OnValue&& onValue) {
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        const std::u16string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == u';' || line.front() == u'#') {
            continue;
        }
        if (line.front() == u'[') {
            const std::size_t close = line.find(u']');
            if (close == std::u16string_view::npos) {
                continue; // not a section line; the current section goes on
            }
            const std::u16string_view name = Trim(line.substr(1, close - 1));
            // Keys under a nameless section belong to no language.
            inSection = !name.empty();
            if (inSection) {
                onSection(name);
            }
            continue;
        }
        const std::size_t equals = line.find(u'=');
        if (!inSection || equals == std::u16string_view::npos) {
            continue;
        }
        const std::u16string_view key = Trim(line.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        std::u16string_view value = line.substr(equals + 1);
        onValue(key, Trim(value.substr(0, value.find(u'\0'))));
    }
}

} // namespace

std::u16string DecodeFileText(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        return qmr::Utf8ToUtf16(bytes.substr(3));
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        return DecodeUtf16(bytes.substr(2), false);
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        return DecodeUtf16(bytes.substr(2), true);
    }
    return qmr::Utf8ToUtf16(bytes);
}

TIniFile::TIniFile(std::string_view bytes) {
    Parse(DecodeFileText(bytes), nullptr);
}

TIniFile::TIniFile(std::u16string_view text, const TSectionFilter& keep) {
    Parse(text, keep);
}

void ScanIniText(std::u16string_view text,
                 const std::function<void(std::u16string_view section)>& onSection,
                 const std::function<void(std::u16string_view section, std::u16string_view key,
                                          std::u16string_view value)>& onValue) {
    std::u16string_view section;
    WalkIniText(
        text,
        [&](std::u16string_view name) {
            section = name;
            onSection(name);
        },
        [&](std::u16string_view key, std::u16string_view value) { onValue(section, key, value); });
}

std::optional<TIniFile> TIniFile::Read(const std::u16string& path, std::size_t maxBytes,
                                       std::string* whyNot) {
    std::string bytes;
    const qmr::TReadOutcome outcome = qmr::ReadRegularFile(path, bytes, maxBytes);
    if (outcome != qmr::TReadOutcome::Read) {
        if (whyNot != nullptr) {
            *whyNot = qmr::DescribeReadOutcome(outcome);
        }
        return std::nullopt;
    }
    return TIniFile(bytes);
}

void TIniFile::Parse(std::u16string_view text, const TSectionFilter& keep) {
    constexpr std::size_t NoSection = static_cast<std::size_t>(-1);
    std::size_t current = NoSection;
    WalkIniText(
        text,
        [&](std::u16string_view name) {
            if (keep && !keep(name)) {
                current = NoSection;
                return;
            }
            const auto [it, added] = m_SectionIndex.try_emplace(FoldCase(name), m_Sections.size());
            if (added) {
                m_SectionNames.emplace_back(name);
                m_Sections.emplace_back();
            }
            current = it->second;
        },
        [&](std::u16string_view key, std::u16string_view value) {
            if (current != NoSection) {
                m_Sections[current].try_emplace(FoldCase(key), value);
            }
        });
}

std::u16string TIniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                    const std::u16string& defaultValue) const {
    const auto sectionIt = m_SectionIndex.find(FoldCase(section));
    if (sectionIt == m_SectionIndex.end()) {
        return defaultValue;
    }
    const TValues& values = m_Sections[sectionIt->second];
    const auto valueIt = values.find(FoldCase(key));
    return valueIt == values.end() ? defaultValue : valueIt->second;
}

} // namespace LANGUAGE
