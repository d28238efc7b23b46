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

// Every position of the window is in units of its default font, and the dialog templates are
// in units of their font, so both are sized by measuring to the original's metrics rather
// than by a nominal size. Qt's own high-DPI scaling applies on top.
struct MeasuredSize {
    int charWidth = 0, lineHeight = 0;
};
// The pixel size of the family that comes nearest the target under measure (an exact match
// when there is one).
QFont fontNearest(const QString& family, MeasuredSize target, MeasuredSize (*measure)(const QFont&));
MeasuredSize windowMetrics(const QFont& f);  // average character width, height plus leading
MeasuredSize dialogMetrics(const QFont& f);  // the dialog base units
// The desktop's sans face with average character width 7 and height plus leading 16.
QFont windowDefaultFont();
// For the templates' "MS Sans Serif" 10 point: dialog base units about 7 x 16.
QFont dialogTemplateFont();
// "Arial" is Liberation Sans, which has Arial's metrics, whatever fontconfig would pick.
void mapTemplateFaces();

}  // namespace wl
