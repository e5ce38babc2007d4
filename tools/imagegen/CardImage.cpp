// Title cards: white type and marks on a transparent ground, with a soft glow and a shadow.
// Composited with premultiplied alpha and stored straight, since the show blends with SRC_ALPHA.
#include "Generator.h"

#include "Font.h"
#include "Mask.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

float distanceToSegment(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0f, 1.0f);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Covers the pixels of a shape given by a signed distance (pixels, negative inside), sampled at
// pixel centres inside a bounding box.
template <typename Distance>
void coverShape(Mask& mask, float x0, float y0, float x1, float y1, float opacity,
                Distance distance) {
    int left = std::max(0, static_cast<int>(std::floor(x0)) - 2);
    int top = std::max(0, static_cast<int>(std::floor(y0)) - 2);
    int right = std::min(mask.width - 1, static_cast<int>(std::ceil(x1)) + 2);
    int bottom = std::min(mask.height - 1, static_cast<int>(std::ceil(y1)) + 2);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            float d = distance(x + 0.5f, y + 0.5f);
            float coverage = std::clamp(0.5f - d, 0.0f, 1.0f);
            if (coverage > 0) {
                mask.cover(x, y, coverage * opacity);
            }
        }
    }
}

std::vector<std::pair<float, float>> polygonCorners(const Directive& d) {
    float cx = d.number("x", 0), cy = d.number("y", 0), r = d.number("radius", 10);
    int sides = d.integer("sides", 4, 3, 1024);
    float rotation = d.number("rotation", 0) * 0.017453292f;
    std::vector<std::pair<float, float>> corners;
    for (int i = 0; i < sides; ++i) {
        float a = rotation + 6.2831853f * i / sides;
        corners.push_back({cx + r * std::sin(a), cy - r * std::cos(a)});
    }
    return corners;
}

void drawPolygon(Mask& mask, const Directive& d) {
    auto corners = polygonCorners(d);
    float r = d.number("radius", 10), width = d.number("width", 0);
    float cx = d.number("x", 0), cy = d.number("y", 0);
    bool filled = width <= 0;
    auto distance = [&](float px, float py) {
        float nearest = 1e9f;
        bool inside = false;
        for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            auto [ax, ay] = corners[j];
            auto [bx, by] = corners[i];
            nearest = std::min(nearest, distanceToSegment(px, py, ax, ay, bx, by));
            if ((ay > py) != (by > py) && px < (bx - ax) * (py - ay) / (by - ay) + ax) {
                inside = !inside;
            }
        }
        return filled ? (inside ? -nearest : nearest) : nearest - 0.5f * width;
    };
    coverShape(mask, cx - r - width, cy - r - width, cx + r + width, cy + r + width,
               d.number("opacity", 1), distance);
}

void drawLine(Mask& mask, const Directive& d) {
    float ax = d.number("x1", 0), ay = d.number("y1", 0), bx = d.number("x2", 0),
          by = d.number("y2", 0);
    float half = 0.5f * d.number("width", 2);
    coverShape(mask, std::min(ax, bx) - half, std::min(ay, by) - half, std::max(ax, bx) + half,
               std::max(ay, by) + half, d.number("opacity", 1), [&](float px, float py) {
                   return distanceToSegment(px, py, ax, ay, bx, by) - half;
               });
}

void drawRing(Mask& mask, const Directive& d) {
    float cx = d.number("x", 0), cy = d.number("y", 0), r = d.number("radius", 10);
    float half = 0.5f * d.number("width", 2);
    coverShape(
        mask, cx - r - half, cy - r - half, cx + r + half, cy + r + half, d.number("opacity", 1),
        [&](float px, float py) { return std::fabs(std::hypot(px - cx, py - cy) - r) - half; });
}

void drawRule(Mask& mask, const Directive& d) {
    // An axis-aligned bar with exact area coverage at its edges.
    float x0 = d.number("x", 0), y0 = d.number("y", 0);
    float x1 = x0 + d.number("width", 10), y1 = y0 + d.number("height", 2);
    float opacity = d.number("opacity", 1);
    for (int y = std::max(0, static_cast<int>(y0));
         y < std::min(mask.height, static_cast<int>(y1) + 1); ++y) {
        float cy =
            std::clamp(std::min(y1, y + 1.0f) - std::max(y0, static_cast<float>(y)), 0.0f, 1.0f);
        for (int x = std::max(0, static_cast<int>(x0));
             x < std::min(mask.width, static_cast<int>(x1) + 1); ++x) {
            float cx = std::clamp(std::min(x1, x + 1.0f) - std::max(x0, static_cast<float>(x)),
                                  0.0f, 1.0f);
            mask.cover(x, y, cx * cy * opacity);
        }
    }
}

void drawText(Mask& mask, const Directive& d,
              const std::map<std::string, std::unique_ptr<Font>>& fonts) {
    auto font = fonts.find(d.text("font", "bold"));
    if (font == fonts.end()) {
        throw std::runtime_error("text on line " + std::to_string(d.line) +
                                 " names an unknown font");
    }
    const std::string& text = d.word(0);
    float size = d.number("size", 64), tracking = d.number("tracking", 0);
    float width = font->second->measure(text, size, tracking);
    std::string align = d.text("align", "left");
    float x = d.number("x", 0);
    if (align == "centre") {
        x -= 0.5f * width;
    } else if (align == "right") {
        x -= width;
    } else if (align != "left") {
        throw std::runtime_error("text on line " + std::to_string(d.line) + ": bad align " + align);
    }
    font->second->draw(mask, text, x, d.number("y", 0), size, tracking, d.number("opacity", 1),
                       d.integer("letter", -1, -1, 1 << 16));
}

struct Layer {
    Vec3 colour;
    Mask mask;
    float opacity;
};

// Shifts a mask by whole pixels, for the shadow.
Mask shifted(const Mask& m, int dx, int dy) {
    Mask out(m.width, m.height);
    for (int y = 0; y < m.height; ++y) {
        for (int x = 0; x < m.width; ++x) {
            out.at(x, y) = m.sample(x - dx, y - dy);
        }
    }
    return out;
}

} // namespace

std::vector<NamedImage> generateCard(const ContentFile& source) {
    int width, height;
    readSize(source, width, height);

    std::map<std::string, std::unique_ptr<Font>> fonts;
    for (const Directive* d : source.every("font")) {
        fonts[d->word(0)] = std::make_unique<Font>(d->word(1));
    }

    Mask ink(width, height);
    for (const Directive& d : source.all()) {
        if (d.name == "text") {
            drawText(ink, d, fonts);
        } else if (d.name == "polygon") {
            drawPolygon(ink, d);
        } else if (d.name == "line") {
            drawLine(ink, d);
        } else if (d.name == "ring") {
            drawRing(ink, d);
        } else if (d.name == "rule") {
            drawRule(ink, d);
        }
    }

    // Bottom to top: shadows, glows, then the ink itself.
    std::vector<Layer> layers;
    for (const Directive* d : source.every("shadow")) {
        Mask soft = blur(shifted(ink, d->integer("dx", 0, -largestSide, largestSide),
                                 d->integer("dy", 0, -largestSide, largestSide)),
                         d->number("sigma", 6));
        layers.push_back(
            {parseColour(d->text("colour", "0,0,0")), std::move(soft), d->number("opacity", 0.5f)});
    }
    Vec3 glowColour{1, 1, 1};
    for (const Directive* d : source.every("glow")) {
        glowColour = parseColour(d->text("colour", "1,1,1"));
        layers.push_back(
            {glowColour, blur(ink, d->number("sigma", 12)), d->number("opacity", 0.4f)});
    }
    Vec3 inkColour =
        parseColour(source.find("ink") ? source.find("ink")->text("colour", "1,1,1") : "1,1,1");
    layers.push_back({inkColour, ink, 1.0f});

    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (const Layer& layer : layers) {
                float alpha = std::min(1.0f, layer.mask.at(x, y) * layer.opacity);
                r = layer.colour.x * alpha + r * (1 - alpha);
                g = layer.colour.y * alpha + g * (1 - alpha);
                b = layer.colour.z * alpha + b * (1 - alpha);
                a = alpha + a * (1 - alpha);
            }
            // Stored straight; where nothing is drawn the colour is the glow's, so filtering
            // at the edges never pulls in a dark fringe.
            if (a * 255.0f < 0.5f) {
                image.set(x, y, glowColour.x, glowColour.y, glowColour.z, 0.0f);
            } else {
                image.set(x, y, r / a, g / a, b / a, a);
            }
        }
    }
    return {{source.require("output").word(0), std::move(image)}};
}
