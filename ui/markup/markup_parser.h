#pragma once
// The report markup, parsed without any user-interface library: <b>, <font size color face>,
// <img src>, <br> and the entities &amp; &lt; &gt;. Everything else is text, shown unchanged.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

struct TMarkupStyle {
    bool Bold = false;
    std::optional<int> SizePoints;      // absent: the view's own font size
    std::optional<std::uint32_t> Color; // 0xRRGGBB; absent: the view's text colour
    std::optional<std::u16string> Face; // absent: the view's own font
    bool operator==(const TMarkupStyle&) const = default;
};

struct TMarkupRun {
    std::u16string Text;  // empty for a picture
    std::u16string Image; // name in the picture store, or empty for text
    TMarkupStyle Style;
    bool operator==(const TMarkupRun&) const = default;
};

using TMarkupLine = std::vector<TMarkupRun>;

// Splits the text into visual lines (only <br> ends one) made of styled runs. A text that ends
// with <br> does not open an empty last line.
std::vector<TMarkupLine> ParseMarkup(std::u16string_view markup);

} // namespace qmr
