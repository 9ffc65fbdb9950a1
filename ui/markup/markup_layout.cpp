#include "markup_layout.h"

#include "ui/picture_store.h"

#include <QFontMetrics>
#include <QPainter>

#include <utility>
#include <vector>

namespace qmr {

namespace {

QFont FontOf(const TMarkupStyle& style, const QFont& base) {
    QFont font = base;
    if (style.Face) {
        font.setFamily(QString::fromStdU16String(*style.Face));
    }
    if (style.SizePoints && *style.SizePoints > 0) {
        font.setPointSize(*style.SizePoints);
    }
    font.setBold(style.Bold);
    return font;
}

QColor ColorOf(const TMarkupStyle& style, const QColor& base) {
    if (!style.Color) {
        return base;
    }
    return QColor((*style.Color >> 16) & 0xFF, (*style.Color >> 8) & 0xFF, *style.Color & 0xFF);
}

struct Piece {
    int Width = 0;
    int Ascent = 0;
    int Descent = 0;
};

// Font metrics by style, for one layout: a report has a handful of styles and many runs.
class MetricsCache {
public:
    explicit MetricsCache(const QFont& base) : m_Base(base) {}
    const QFontMetrics& For(const TMarkupStyle& style) {
        for (const auto& [known, metrics] : m_Entries) {
            if (known == style) {
                return metrics;
            }
        }
        return m_Entries.emplace_back(style, QFontMetrics(FontOf(style, m_Base))).second;
    }

private:
    QFont m_Base;
    std::vector<std::pair<TMarkupStyle, QFontMetrics>> m_Entries;
};

// `withWidth` false leaves the width 0: a line's height needs no text shaped.
Piece Measure(const TMarkupRun& run, const TMarkupMetrics& m, MetricsCache& cache,
              bool withWidth = true) {
    if (!run.Image.empty()) {
        const QPixmap picture =
            m.Pictures ? m.Pictures->Picture(QString::fromStdU16String(run.Image)) : QPixmap();
        const QSize size = picture.deviceIndependentSize().toSize(); // as laid out on screen
        return {size.width(), size.height(), 0};
    }
    const QFontMetrics& fm = cache.For(run.Style);
    return {withWidth ? fm.horizontalAdvance(QString::fromStdU16String(run.Text)) : 0, fm.ascent(),
            fm.descent()};
}

} // namespace

std::vector<int> MarkupLineTops(std::span<const TMarkupLine> lines, const TMarkupMetrics& metrics) {
    const QFontMetrics baseMetrics(metrics.BaseFont);
    MetricsCache cache(metrics.BaseFont);
    std::vector<int> tops{0};
    tops.reserve(lines.size() + 1);
    for (const TMarkupLine& line : lines) {
        int ascent = baseMetrics.ascent();
        int descent = baseMetrics.descent();
        for (const TMarkupRun& run : line) {
            const Piece piece = Measure(run, metrics, cache, false);
            ascent = std::max(ascent, piece.Ascent);
            descent = std::max(descent, piece.Descent);
        }
        tops.push_back(tops.back() + ascent + descent + metrics.LineSpacing);
    }
    return tops;
}

QSize LayoutMarkup(std::span<const TMarkupLine> lines, const TMarkupMetrics& metrics,
                   QPainter* painter, QPoint origin) {
    const QFontMetrics baseMetrics(metrics.BaseFont);
    MetricsCache cache(metrics.BaseFont);
    int y = origin.y();
    int widest = 0;
    for (const TMarkupLine& line : lines) {
        std::vector<Piece> pieces;
        int ascent = baseMetrics.ascent();
        int descent = baseMetrics.descent();
        int width = 0;
        for (const TMarkupRun& run : line) {
            pieces.push_back(Measure(run, metrics, cache));
            ascent = std::max(ascent, pieces.back().Ascent);
            descent = std::max(descent, pieces.back().Descent);
            width += pieces.back().Width;
        }
        if (painter != nullptr) {
            int x = origin.x();
            for (std::size_t i = 0; i < line.size(); ++i) {
                const TMarkupRun& run = line[i];
                if (!run.Image.empty()) {
                    const QPixmap picture =
                        metrics.Pictures
                            ? metrics.Pictures->Picture(QString::fromStdU16String(run.Image))
                            : QPixmap();
                    painter->drawPixmap(x, y + ascent - pieces[i].Ascent, picture);
                } else {
                    painter->setFont(FontOf(run.Style, metrics.BaseFont));
                    painter->setPen(ColorOf(run.Style, metrics.TextColor));
                    painter->drawText(x, y + ascent, QString::fromStdU16String(run.Text));
                }
                x += pieces[i].Width;
            }
        }
        widest = std::max(widest, width);
        y += ascent + descent + metrics.LineSpacing;
    }
    return {widest, y - origin.y()};
}

} // namespace qmr
