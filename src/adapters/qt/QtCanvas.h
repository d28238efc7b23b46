#pragma once
// Canvas over a QPainter, drawn as the platform draws: Rectangle's outline inside its
// bounds, lines without their last pixel, text placed by the top-left of its cell.
#include <QFont>
#include <QPainter>
#include <map>
#include <tuple>

#include "platform/Canvas.h"

namespace wl {

// Logical fonts to QFonts. The height of a logical font is its cell height (ascent plus
// descent), so the pixel size is fitted until the cell is no taller than asked.
class FontCache {
public:
    explicit FontCache(QFont defaultFont) : default_(std::move(defaultFont)) {}
    const QFont& font(const Font& logical);
    const QFont& defaultFont() const { return default_; }

private:
    QFont default_;
    std::map<std::tuple<std::string, int, int>, QFont> fonts_;
};

class QtCanvas : public Canvas {
public:
    QtCanvas(QPainter& painter, FontCache& fonts) : painter_(painter), fonts_(fonts) {}
    void rectangle(const Rect& r, Rgb pen, Rgb brush) override;
    void line(Point from, Point to, Rgb pen) override;
    void polyline(const std::vector<Point>& points, Rgb pen) override;
    void textOut(int x, int y, const std::string& text, const TextStyle& style) override;

private:
    QPainter& painter_;
    FontCache& fonts_;
};

inline QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace wl
