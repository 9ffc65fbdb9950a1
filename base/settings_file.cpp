#include "base/settings_file.h"

#include "base/file_replace.h"
#include "base/state_file.h"
#include "base/utf16_text.h"

namespace qmr {

namespace {

constexpr std::string_view kGeneral = "[General]";
// A lock held longer than this by another writer is not waited for: the window's thread waits.
constexpr int kLockWaitMs = 1000;

std::string_view Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

bool IsSectionLine(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.front() == '[';
}

// The key of a "key=value" line; empty for anything else.
std::string_view KeyOf(std::string_view line) {
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos || IsSectionLine(line) ? std::string_view()
                                                                   : Trim(line.substr(0, equals));
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string EncodeSettingsValue(std::string_view value) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    bool escapeNextIfHex = false; // "\x1" followed by "2" would read as one escape
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        quote = quote || c == ';' || c == ',' || c == '=';
        if (escapeNextIfHex && HexDigit(c) >= 0) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte < 0x20) {
                out += "\\x";
                if (byte >= 0x10) {
                    out += kHex[byte >> 4];
                }
                out += kHex[byte & 0xF];
                escapeNextIfHex = true;
            } else {
                out += c; // UTF-8 as it stands
            }
        }
    }
    return quote ? '"' + out + '"' : out;
}

std::optional<std::string> DecodeSettingsValue(std::string_view text) {
    text = Trim(text);
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == ',' && !quoted) {
            return std::nullopt; // a list, no single value
        }
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char e = text[++i];
        switch (e) {
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case 'x': {
            std::uint32_t code = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < text.size() && HexDigit(text[i + 1]) >= 0) {
                code = code * 16 + static_cast<std::uint32_t>(HexDigit(text[++i]));
                ++digits;
            }
            AppendUtf8(out, code);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                std::uint32_t code = static_cast<std::uint32_t>(e - '0');
                for (int n = 0;
                     n < 2 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
                     ++n) {
                    code = code * 8 + static_cast<std::uint32_t>(text[++i] - '0');
                }
                AppendUtf8(out, code);
            } else {
                out += e; // \" \' \? \\ and the unknown alike
            }
        }
    }
    return out;
}

std::vector<std::string> SetSettingsLine(std::vector<std::string> lines, std::string_view key,
                                         std::string_view encoded) {
    std::string line = std::string(key) + "=" + std::string(encoded);
    std::size_t header = 0;
    while (header < lines.size() && Trim(lines[header]) != kGeneral) {
        ++header;
    }
    if (header == lines.size()) {
        const bool others = !lines.empty();
        lines.insert(lines.begin(), {std::string(kGeneral), std::move(line)});
        if (others) {
            lines.insert(lines.begin() + 2, std::string());
        }
        return lines;
    }
    std::size_t end = header + 1;
    for (; end < lines.size() && !IsSectionLine(lines[end]); ++end) {
        if (KeyOf(lines[end]) == key) {
            lines[end] = std::move(line);
            return lines;
        }
    }
    // After the section's last line that is not blank, so the blank line before the next
    // section stays where it is.
    std::size_t at = end;
    while (at > header + 1 && Trim(lines[at - 1]).empty()) {
        --at;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return lines;
}

TSettingsFile::TSettingsFile(std::u16string path) : m_Path(std::move(path)) {}

void TSettingsFile::ReadLines(const std::string& bytes) {
    m_Lines.clear();
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        m_Lines.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
}

void TSettingsFile::Load() {
    const TStateFile read = ReadStateFile(m_Path, TStateFileKind::SettingsFile);
    m_Problem = read.Refusal();
    m_Values.clear();
    ReadLines(read.Bytes);
    bool general = true; // what comes before any section belongs to [General]
    for (const std::string& line : m_Lines) {
        if (IsSectionLine(line)) {
            general = Trim(line) == kGeneral;
            continue;
        }
        const std::string_view key = KeyOf(line);
        if (general && !key.empty()) {
            // The first of a key that occurs twice, as QSettings reads it.
            m_Values.emplace(key, line.substr(line.find('=') + 1));
        }
    }
    for (const auto& [key, encoded] : m_Changes) {
        m_Values[key] = encoded;
    }
}

std::optional<std::string> TSettingsFile::Get(std::string_view key) const {
    const auto found = m_Values.find(std::string(key));
    return found != m_Values.end() ? DecodeSettingsValue(found->second) : std::nullopt;
}

bool TSettingsFile::Set(std::string_view key, std::string_view value) {
    const std::string encoded = EncodeSettingsValue(value);
    m_Values[std::string(key)] = encoded;
    m_Changes[std::string(key)] = encoded;

    if (!MakeParentFolders(m_Path)) {
        m_Problem = Utf16ToUtf8(m_Path) + " cannot be written (its folder cannot be made)";
        return false;
    }
    const TFileLock lock(m_Path, kLockWaitMs);
    if (!lock.Held()) {
        m_Problem = Utf16ToUtf8(m_Path) + " " + lock.WhyNot();
        return false;
    }
    // What another writer put there meanwhile stays; this run's choices go over it.
    const TStateFile now = ReadStateFile(m_Path, TStateFileKind::SettingsFile);
    if (now.Refused()) {
        m_Problem = now.Refusal();
        return false;
    }
    ReadLines(now.Bytes);
    std::vector<std::string> lines = m_Lines;
    for (const auto& [changed, text] : m_Changes) {
        lines = SetSettingsLine(std::move(lines), changed, text);
    }
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += '\n';
    }
    std::string whyNot;
    if (!ReplaceRegularFile(m_Path, bytes, whyNot)) {
        m_Problem = Utf16ToUtf8(m_Path) + " " + whyNot;
        return false;
    }
    m_Lines = std::move(lines);
    m_Problem.clear();
    return true;
}

} // namespace qmr
