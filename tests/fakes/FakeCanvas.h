#pragma once
// Records every drawing call so tests can assert what was drawn where.
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace wl::test {

struct DrawOp {
    enum Kind { Rectangle, Line, Polyline, Text } kind;
    Rect rect;
    std::vector<Point> points;
    std::string text;
    TextStyle style;
    Rgb pen, brush;
    bool immediate = false;  // drawn outside the paint handler
};

class FakeCanvas : public Canvas {
public:
    FakeCanvas(std::vector<DrawOp>& log, bool immediate) : log_(log), immediate_(immediate) {}
    void rectangle(const Rect& r, Rgb pen, Rgb brush) override {
        log_.push_back({DrawOp::Rectangle, r, {}, {}, {}, pen, brush, immediate_});
    }
    void line(Point from, Point to, Rgb pen) override {
        log_.push_back({DrawOp::Line, {}, {from, to}, {}, {}, pen, {}, immediate_});
    }
    void polyline(const std::vector<Point>& points, Rgb pen) override {
        log_.push_back({DrawOp::Polyline, {}, points, {}, {}, pen, {}, immediate_});
    }
    void textOut(int x, int y, const std::string& text, const TextStyle& style) override {
        log_.push_back({DrawOp::Text, Rect{x, y, x, y}, {}, text, style, {}, {}, immediate_});
    }

private:
    std::vector<DrawOp>& log_;
    bool immediate_;
};

}  // namespace wl::test
