#pragma once
// Port: drawing on the main window, for the paint handler and the immediate-draw routines.
// Coordinates are client pixels. The fake records every call; the Qt adapter draws with a
// QPainter. Window's thread only.
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kBlack{0, 0, 0};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// A logical font: an empty face means the window's default font.
struct Font {
    std::string face;
    int height = 0;  // character height in pixels; 0 = the default size
    int weight = 400;
    bool operator==(const Font&) const = default;
};

struct TextStyle {
    Font font;
    Rgb color = kBlack;
    Rgb background{};
    bool opaque = true;  // false = transparent background mode
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Rectangle outlined with the pen colour and filled with the brush colour.
    virtual void rectangle(const Rect& r, Rgb pen, Rgb brush) = 0;
    virtual void line(Point from, Point to, Rgb pen) = 0;
    virtual void polyline(const std::vector<Point>& points, Rgb pen) = 0;
    virtual void textOut(int x, int y, const std::string& text, const TextStyle& style) = 0;
};

}  // namespace wl
