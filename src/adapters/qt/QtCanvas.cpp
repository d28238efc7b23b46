#include "adapters/qt/QtCanvas.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPen>
#include <algorithm>
#include <cstdlib>

#include "adapters/qt/QtText.h"

namespace wl {

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// The platform leaves out a line's end point; the next segment of a polyline draws it.
QPoint stepBack(Point from, Point to) {
    int dx = to.x - from.x, dy = to.y - from.y;
    int sx = std::abs(dx) >= std::abs(dy) ? sign(dx) : 0;
    int sy = std::abs(dy) >= std::abs(dx) ? sign(dy) : 0;
    return QPoint(to.x - sx, to.y - sy);
}

QPen cosmeticPen(Rgb c) {
    QPen pen(toQColor(c));
    pen.setWidth(0);
    return pen;
}

}  // namespace

MeasuredSize windowMetrics(const QFont& f) {
    QFontMetrics m(f);
    return {m.averageCharWidth(), m.ascent() + m.descent() + std::max(0, m.leading())};
}

MeasuredSize dialogMetrics(const QFont& f) {
    QFontMetrics m(f);
    int letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, m.ascent() + m.descent()};
}

QFont fontNearest(const QString& family, MeasuredSize target, MeasuredSize (*measure)(const QFont&)) {
    QFont best(family);
    int bestError = -1;
    for (int px = 6; px <= 4 * target.lineHeight; ++px) {
        QFont f(family);
        f.setPixelSize(px);
        MeasuredSize got = measure(f);
        int dx = got.charWidth - target.charWidth, dy = got.lineHeight - target.lineHeight;
        int error = dx * dx + dy * dy;
        // Ties go to the smaller size, so a text never gets wider than the original's.
        if (bestError < 0 || error < bestError) {
            best = f;
            bestError = error;
        }
        if (error == 0 || got.lineHeight > 2 * target.lineHeight) break;
    }
    return best;
}

namespace {

QString desktopSans() {
    QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return family.isEmpty() ? QStringLiteral("Sans Serif") : family;
}

}  // namespace

QFont windowDefaultFont() { return fontNearest(desktopSans(), {7, 16}, windowMetrics); }

// The templates' face is a narrow one: its texts fit their boxes in Arial's metrics, which
// Liberation Sans shares; the wider desktop face cuts them.
QFont dialogTemplateFont() {
    const QString narrow = QStringLiteral("Liberation Sans");
    return fontNearest(QFontDatabase::families().contains(narrow) ? narrow : desktopSans(), {7, 16}, dialogMetrics);
}

void mapTemplateFaces() {
    const QString metricArial = QStringLiteral("Liberation Sans");
    if (QFontDatabase::families().contains(metricArial))
        QFont::insertSubstitution(QStringLiteral("Arial"), metricArial);
}

const QFont& FontCache::font(const Font& logical) {
    if (logical.face.empty() && logical.height == 0 && logical.weight == 400) return default_;
    auto key = std::make_tuple(logical.face, logical.height, logical.weight);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;

    QFont f = default_;
    if (!logical.face.empty()) f.setFamily(toQString(logical.face));
    int weight = logical.weight <= 0 ? 400 : std::clamp(logical.weight, 1, 1000);
    f.setWeight(static_cast<QFont::Weight>(weight));
    if (logical.height > 0) {
        int want = logical.height;
        int px = want;
        f.setPixelSize(px);
        int cell = QFontMetrics(f).ascent() + QFontMetrics(f).descent();
        if (cell > want) {
            px = std::max(1, want * want / cell);
            f.setPixelSize(px);
        }
        // Fonts do not scale linearly at small sizes: settle by single steps.
        for (int i = 0; i < 8; ++i) {
            QFontMetrics m(f);
            if (m.ascent() + m.descent() > want && px > 1) {
                f.setPixelSize(--px);
                continue;
            }
            QFont bigger = f;
            bigger.setPixelSize(px + 1);
            QFontMetrics mb(bigger);
            if (mb.ascent() + mb.descent() <= want) {
                f = bigger;
                ++px;
                continue;
            }
            break;
        }
    }
    return fonts_.emplace(key, f).first->second;
}

void QtCanvas::rectangle(const Rect& r, Rgb pen, Rgb brush) {
    if (r.width() <= 0 || r.height() <= 0) return;
    painter_.fillRect(QRect(r.left, r.top, r.width(), r.height()), toQColor(brush));
    painter_.setPen(cosmeticPen(pen));
    painter_.setBrush(Qt::NoBrush);
    if (r.width() == 1 || r.height() == 1)
        painter_.fillRect(QRect(r.left, r.top, r.width(), r.height()), toQColor(pen));
    else
        painter_.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
}

void QtCanvas::line(Point from, Point to, Rgb pen) { polyline({from, to}, pen); }

void QtCanvas::polyline(const std::vector<Point>& points, Rgb pen) {
    if (points.size() < 2) return;
    painter_.setPen(cosmeticPen(pen));
    painter_.setBrush(Qt::NoBrush);
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        Point a = points[i], b = points[i + 1];
        if (a == b) continue;
        QPoint end = stepBack(a, b);
        if (end == QPoint(a.x, a.y))
            painter_.drawPoint(end);
        else
            painter_.drawLine(QPoint(a.x, a.y), end);
    }
}

void QtCanvas::textOut(int x, int y, const std::string& text, const TextStyle& style) {
    const QFont& f = fonts_.font(style.font);
    QString s = toQString(text);
    QFontMetrics m(f);
    if (style.opaque) {
        // The cell is as tall as the logical font asked, whatever the fitted size gave.
        int cell = style.font.height > 0 ? style.font.height : m.ascent() + m.descent();
        painter_.fillRect(QRect(x, y, m.horizontalAdvance(s), cell), toQColor(style.background));
    }
    painter_.setFont(f);
    painter_.setPen(toQColor(style.color));
    painter_.drawText(QPoint(x, y + m.ascent()), s);
}

}  // namespace wl
