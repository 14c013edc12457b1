#include "base/SystemIcons.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

struct Colour {
    std::uint8_t r, g, b;
};

// A shape as a signed distance in icon units (the icon is the unit square, y down): negative
// inside.
using Shape = std::function<double(double, double)>;

struct Layer {
    Shape shape;
    Colour colour;
};

Shape Circle(double cx, double cy, double r)
{
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

Shape Capsule(double ax, double ay, double bx, double by, double r)
{
    return [=](double x, double y) { return SegmentDistance(x, y, ax, ay, bx, by) - r; };
}

Shape Box(double left, double top, double right, double bottom, double radius = 0)
{
    return [=](double x, double y) {
        const double cx = (left + right) / 2, cy = (top + bottom) / 2;
        const double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
        const double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

// A convex polygon with rounded corners of radius r (points clockwise on screen).
Shape Polygon(std::vector<std::pair<double, double>> points, double r)
{
    return [=](double x, double y) {
        double edge = 1e9;
        bool inside = true;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [ax, ay] = points[i];
            const auto [bx, by] = points[(i + 1) % points.size()];
            edge = std::min(edge, SegmentDistance(x, y, ax, ay, bx, by));
            if ((bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0)
                inside = false;
        }
        return (inside ? -edge : edge) - r;
    };
}

// An arc of the circle (cx, cy, radius) from angle `from` down to `to` (degrees, counted
// anticlockwise from the right, y up), with a stroke of half-width w.
Shape Arc(double cx, double cy, double radius, double from, double to, double w)
{
    const double a0 = to * std::numbers::pi / 180, a1 = from * std::numbers::pi / 180;
    return [=](double x, double y) {
        double angle = std::atan2(-(y - cy), x - cx);
        while (angle < a0)
            angle += 2 * std::numbers::pi;
        if (angle <= a1)
            return std::abs(std::hypot(x - cx, y - cy) - radius) - w;
        const double d0 = std::hypot(x - (cx + radius * std::cos(a0)), y - (cy - radius * std::sin(a0)));
        const double d1 = std::hypot(x - (cx + radius * std::cos(a1)), y - (cy - radius * std::sin(a1)));
        return std::min(d0, d1) - w;
    };
}

Shape Union(Shape a, Shape b)
{
    return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

std::vector<Layer> LayersOf(unsigned id)
{
    const Colour white{255, 255, 255};
    const Colour blue{0, 99, 177};
    switch (id) {
    case 32512: // application: a window with its title bar
        return {{Box(0.06, 0.12, 0.94, 0.88, 0.05), Colour{96, 96, 96}},
                {Box(0.10, 0.16, 0.90, 0.84, 0.02), white},
                {Box(0.10, 0.16, 0.90, 0.30, 0.02), Colour{0, 120, 215}}};
    case 32513: // error: a white cross on red
        return {{Circle(0.5, 0.5, 0.46), Colour{232, 17, 35}},
                {Union(Capsule(0.33, 0.33, 0.67, 0.67, 0.055), Capsule(0.67, 0.33, 0.33, 0.67, 0.055)), white}};
    case 32514: { // question: a white question mark on blue
        const double r = 0.13, cx = 0.5, cy = 0.36;
        const double ex = cx + r * std::cos(-50 * std::numbers::pi / 180);
        const double ey = cy + r * std::sin(50 * std::numbers::pi / 180);
        return {{Circle(0.5, 0.5, 0.46), blue},
                {Union(Arc(cx, cy, r, 165, -50, 0.05), Capsule(ex, ey, 0.5, 0.6, 0.05)), white},
                {Circle(0.5, 0.75, 0.06), white}};
    }
    case 32515: // warning: a black exclamation mark on a yellow triangle
        return {{Polygon({{0.5, 0.08}, {0.95, 0.88}, {0.05, 0.88}}, 0.04), Colour{255, 185, 0}},
                {Capsule(0.5, 0.34, 0.5, 0.62, 0.055), Colour{0, 0, 0}},
                {Circle(0.5, 0.76, 0.06), Colour{0, 0, 0}}};
    case 32516: // information: a white i on blue
        return {{Circle(0.5, 0.5, 0.46), blue},
                {Circle(0.5, 0.28, 0.065), white},
                {Capsule(0.5, 0.44, 0.5, 0.74, 0.06), white}};
    case 32517: // the platform logo: four coloured panes
        return {{Box(0.10, 0.10, 0.48, 0.48, 0.03), Colour{242, 80, 34}},
                {Box(0.52, 0.10, 0.90, 0.48, 0.03), Colour{127, 186, 0}},
                {Box(0.10, 0.52, 0.48, 0.90, 0.03), Colour{0, 164, 239}},
                {Box(0.52, 0.52, 0.90, 0.90, 0.03), Colour{255, 185, 0}}};
    case 32518: // shield: blue and yellow quarters
        return {{Polygon({{0.12, 0.14}, {0.5, 0.05}, {0.88, 0.14}, {0.84, 0.6}, {0.5, 0.95}, {0.16, 0.6}}, 0.02),
                 blue},
                {Polygon({{0.5, 0.12}, {0.82, 0.19}, {0.8, 0.5}, {0.5, 0.5}}, 0), Colour{255, 185, 0}},
                {Polygon({{0.5, 0.5}, {0.5, 0.87}, {0.23, 0.6}, {0.2, 0.5}}, 0), Colour{255, 185, 0}}};
    default:
        return {};
    }
}

} // namespace

namespace platform {

std::optional<ImagePixels> DrawSystemIcon(unsigned id, int size)
{
    const auto layers = LayersOf(id);
    if (layers.empty() || size < 1 || size > 256)
        return std::nullopt;
    constexpr int kSamples = 4; // per side of each pixel
    ImagePixels image;
    image.width = image.height = size;
    image.rgba.assign(static_cast<std::size_t>(size) * size * 4, 0);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0; // premultiplied
            for (const Layer& layer : layers) {
                int hits = 0;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const double x = (px + (sx + 0.5) / kSamples) / size;
                        const double y = (py + (sy + 0.5) / kSamples) / size;
                        if (layer.shape(x, y) <= 0)
                            ++hits;
                    }
                const double cover = static_cast<double>(hits) / (kSamples * kSamples);
                r = layer.colour.r * cover + r * (1 - cover);
                g = layer.colour.g * cover + g * (1 - cover);
                b = layer.colour.b * cover + b * (1 - cover);
                a = cover + a * (1 - cover);
            }
            std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(py) * size + px) * 4];
            if (a > 0) {
                p[0] = static_cast<std::uint8_t>(std::lround(r / a));
                p[1] = static_cast<std::uint8_t>(std::lround(g / a));
                p[2] = static_cast<std::uint8_t>(std::lround(b / a));
            }
            p[3] = static_cast<std::uint8_t>(std::lround(a * 255));
        }
    }
    return image;
}

} // namespace platform
