#include "markup_parser.h"

#include <algorithm>

namespace qmr {

namespace {

char16_t Lower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct Tag {
    std::u16string_view Name;
    bool Closing = false;
    std::vector<std::pair<std::u16string, std::u16string>> Attributes;
};

// Reads "<...>" starting at `text[0] == '<'`; nullopt when it is no well-formed tag.
std::optional<Tag> ReadTag(std::u16string_view text, std::size_t& length) {
    // A tag ends at the first '>'; a '<' met before it means this '<' opens no tag. Stopping
    // there keeps a text full of '<' linear to parse.
    const std::size_t end = text.find_first_of(u"<>", 1);
    if (end == std::u16string_view::npos || text[end] == u'<') {
        return std::nullopt;
    }
    std::u16string_view body = text.substr(1, end - 1);
    Tag tag;
    if (!body.empty() && body[0] == u'/') {
        tag.Closing = true;
        body.remove_prefix(1);
    }
    std::size_t i = 0;
    while (i < body.size() && !IsSpace(body[i])) {
        ++i;
    }
    tag.Name = body.substr(0, i);
    if (tag.Name.empty()) {
        return std::nullopt;
    }
    while (i < body.size()) {
        while (i < body.size() && IsSpace(body[i])) {
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < body.size() && body[i] != u'=' && !IsSpace(body[i])) {
            ++i;
        }
        std::u16string name(body.substr(nameStart, i - nameStart));
        if (name.empty()) {
            break;
        }
        std::u16string value;
        if (i < body.size() && body[i] == u'=') {
            ++i;
            if (i < body.size() && (body[i] == u'"' || body[i] == u'\'')) {
                const char16_t quote = body[i++];
                const std::size_t close = body.find(quote, i);
                if (close == std::u16string_view::npos) {
                    return std::nullopt;
                }
                value = body.substr(i, close - i);
                i = close + 1;
            } else {
                const std::size_t start = i;
                while (i < body.size() && !IsSpace(body[i])) {
                    ++i;
                }
                value = body.substr(start, i - start);
            }
        }
        std::transform(name.begin(), name.end(), name.begin(), Lower);
        tag.Attributes.emplace_back(std::move(name), std::move(value));
    }
    length = end + 1;
    return tag;
}

std::optional<int> ParseInt(const std::u16string& text) {
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        v = v * 10 + (c - u'0');
    }
    return v;
}

std::optional<std::uint32_t> ParseColor(const std::u16string& text) {
    if (text.size() != 7 || text[0] != u'#') {
        return std::nullopt;
    }
    std::uint32_t v = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const char16_t c = Lower(text[i]);
        int d;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            d = c - u'a' + 10;
        } else {
            return std::nullopt;
        }
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

class Builder {
public:
    void Text(std::u16string_view text) {
        if (text.empty()) {
            return;
        }
        TMarkupLine& line = m_Lines.back();
        if (!line.empty() && line.back().Image.empty() && line.back().Style == m_Style) {
            line.back().Text += text;
        } else {
            line.push_back({std::u16string(text), {}, m_Style});
        }
    }
    void Image(std::u16string name) { m_Lines.back().push_back({{}, std::move(name), m_Style}); }
    void Break() { m_Lines.emplace_back(); }
    void Bold(bool on) {
        m_BoldDepth = on ? m_BoldDepth + 1 : std::max(0, m_BoldDepth - 1);
        m_Style.Bold = m_BoldDepth > 0;
    }
    void OpenFont(const Tag& tag) {
        m_Fonts.push_back(m_Style);
        for (const auto& [name, value] : tag.Attributes) {
            if (name == u"size") {
                if (auto size = ParseInt(value)) {
                    m_Style.SizePoints = *size;
                }
            } else if (name == u"color") {
                if (auto color = ParseColor(value)) {
                    m_Style.Color = *color;
                }
            } else if (name == u"face" && !value.empty()) {
                m_Style.Face = value;
            }
        }
    }
    void CloseFont() {
        if (!m_Fonts.empty()) {
            const bool bold = m_Style.Bold;
            m_Style = m_Fonts.back();
            m_Style.Bold = bold;
            m_Fonts.pop_back();
        }
    }
    std::vector<TMarkupLine> Finish() {
        if (m_Lines.size() > 1 && m_Lines.back().empty()) {
            m_Lines.pop_back();
        }
        return std::move(m_Lines);
    }

private:
    std::vector<TMarkupLine> m_Lines{1};
    TMarkupStyle m_Style;
    std::vector<TMarkupStyle> m_Fonts;
    int m_BoldDepth = 0;
};

} // namespace

std::vector<TMarkupLine> ParseMarkup(std::u16string_view markup) {
    Builder out;
    std::u16string pending;
    auto flush = [&] {
        out.Text(pending);
        pending.clear();
    };
    std::size_t i = 0;
    while (i < markup.size()) {
        const char16_t c = markup[i];
        if (c == u'&') {
            static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
                {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}};
            bool matched = false;
            for (const auto& [entity, ch] : kEntities) {
                if (markup.substr(i, entity.size()) == entity) {
                    pending += ch;
                    i += entity.size();
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                pending += c;
                ++i;
            }
            continue;
        }
        if (c == u'<') {
            std::size_t length = 0;
            if (auto tag = ReadTag(markup.substr(i), length)) {
                bool known = true;
                if (EqualsIgnoreCase(tag->Name, u"b")) {
                    flush();
                    out.Bold(!tag->Closing);
                } else if (EqualsIgnoreCase(tag->Name, u"font")) {
                    flush();
                    tag->Closing ? out.CloseFont() : out.OpenFont(*tag);
                } else if (EqualsIgnoreCase(tag->Name, u"br") && !tag->Closing) {
                    flush();
                    out.Break();
                } else if (EqualsIgnoreCase(tag->Name, u"img") && !tag->Closing) {
                    flush();
                    std::u16string src;
                    for (const auto& [name, value] : tag->Attributes) {
                        if (name == u"src") {
                            src = value;
                        }
                    }
                    out.Image(std::move(src));
                } else {
                    known = false;
                }
                if (known) {
                    i += length;
                    continue;
                }
            }
        }
        pending += c;
        ++i;
    }
    flush();
    return out.Finish();
}

} // namespace qmr
