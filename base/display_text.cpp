#include "display_text.h"

#include <vector>

namespace qmr {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr char16_t kPdf = u'\u202C';
constexpr char16_t kPdi = u'\u2069';

bool IsControl(char16_t c) {
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F);
}

bool OpensEmbedding(char16_t c) {
    return c == u'\u202A' || c == u'\u202B' || c == u'\u202D' || c == u'\u202E';
}

bool OpensIsolate(char16_t c) {
    return c >= u'\u2066' && c <= u'\u2068';
}

} // namespace

std::u16string ContainExternalText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    // What the text has opened, innermost last: the closer each needs.
    std::vector<char16_t> open;
    for (const char16_t c : text) {
        if (IsControl(c)) {
            out += kReplacement;
        } else if (OpensEmbedding(c) || OpensIsolate(c)) {
            open.push_back(OpensIsolate(c) ? kPdi : kPdf);
            out += c;
        } else if (c == kPdf) {
            // Closes the innermost embedding, but never reaches out of an isolate.
            if (!open.empty() && open.back() == kPdf) {
                open.pop_back();
                out += c;
            } else {
                out += kReplacement;
            }
        } else if (c == kPdi) {
            // Closes the innermost isolate and every embedding opened inside it.
            std::size_t isolates = 0;
            for (const char16_t closer : open) {
                isolates += closer == kPdi ? 1 : 0;
            }
            if (isolates == 0) {
                out += kReplacement;
                continue;
            }
            while (open.back() != kPdi) {
                open.pop_back();
            }
            open.pop_back();
            out += c;
        } else {
            out += c;
        }
    }
    out.append(open.rbegin(), open.rend());
    return out;
}

} // namespace qmr
