// The bar texture of the landscape scene, read with nearest filtering: columns of LED segments
// lit up to a level, teal at the foot and amber at the top, with a bright peak segment. It tiles
// in both directions.
#include "Generator.h"

#include "Noise.h"

#include <cmath>

std::vector<NamedImage> generateBars(const ContentFile& source) {
    int width, height;
    readSize(source, width, height);
    const Directive& bars = source.require("bars");
    int columnWidth = bars.integer("column", 8, 1, largestSide);
    int columnGap = bars.integer("column-gap", 2, 0, largestSide);
    int segmentHeight = bars.integer("segment", 4, 1, largestSide);
    int segmentGap = bars.integer("segment-gap", 1, 0, largestSide);
    int bands = bars.integer("bands", 2, 1, largestSide); // meters stacked per tile height
    uint32_t seed = static_cast<uint32_t>(bars.integer("seed", 5, 0, 1 << 30));
    Vec3 low = parseColour(bars.text("low", "0.05,0.75,0.70"));
    Vec3 high = parseColour(bars.text("high", "1.00,0.62,0.12"));
    Vec3 peak = parseColour(bars.text("peak", "1.00,0.93,0.80"));
    float unlit = bars.number("unlit", 0.08f);

    Image image(width, height);
    int columns = width / columnWidth;
    int bandHeight = height / bands;
    int segments = bandHeight / segmentHeight;
    for (int y = 0; y < height; ++y) {
        int band = y / bandHeight;
        int inBand = bandHeight - 1 - (y % bandHeight); // counted from the foot of the meter
        int segment = inBand / segmentHeight;
        bool segmentGapRow = inBand % segmentHeight >= segmentHeight - segmentGap;
        for (int x = 0; x < width; ++x) {
            int column = x / columnWidth;
            bool gap =
                segmentGapRow || x % columnWidth >= columnWidth - columnGap || column >= columns;
            // Levels follow a tileable noise across the columns so neighbours form shapes.
            float shape =
                periodicFbm((column + 0.5f) / columns, (band + 0.5f) / bands, 4, 3, 0.6f, seed);
            float level =
                smoothstep(0.25f, 0.75f, shape) * 0.8f + 0.3f * hashUnit(column, band, 0, seed);
            int lit = static_cast<int>(level * segments);
            float height01 = static_cast<float>(segment) / (segments - 1);
            Vec3 colour = mix(low, high, smoothstep(0.25f, 0.85f, height01));
            Vec3 c;
            if (gap) {
                c = {0.0f, 0.0f, 0.0f};
            } else if (segment == lit) {
                c = peak;
            } else if (segment < lit) {
                c = colour * (0.75f + 0.25f * height01);
            } else {
                c = colour * unlit;
            }
            image.set(x, y, c.x, c.y, c.z);
        }
    }
    return {{source.require("output").word(0), std::move(image)}};
}
