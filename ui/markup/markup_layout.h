#pragma once
// One layout of report markup, used both to paint and to measure, so that a measured line is
// exactly as wide and as high as the painted one. No word wrap: only <br> ends a line.

#include "ui/markup/markup_parser.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>

#include <span>
#include <vector>

class QPainter;

namespace qmr {

class TPictureContainer;

struct TMarkupMetrics {
    QFont BaseFont;
    QColor TextColor;
    int LineSpacing = 4;
    const TPictureContainer* Pictures = nullptr;
};

// Lays the lines out from `origin` downwards; paints them when `painter` is given. Returns the
// size taken: the widest line, and the sum of the line heights, each with its line spacing.
QSize LayoutMarkup(std::span<const TMarkupLine> lines, const TMarkupMetrics& metrics,
                   QPainter* painter = nullptr, QPoint origin = {});

// Where each line's top lies as LayoutMarkup lays the lines out from 0, and one more: the foot
// of the last. Cheaper than a layout: no text is shaped.
std::vector<int> MarkupLineTops(std::span<const TMarkupLine> lines, const TMarkupMetrics& metrics);

} // namespace qmr
