// A 640 x 480 picture of the window, addressed like the overlay: x to the
// right, y upwards from the bottom row.
#pragma once

#include <algorithm>
#include <vector>

struct Rgb {
    int r, g, b;
};

struct Box {
    int x0, y0, x1, y1;
};

// Where the message starts (240, 240), with room for its longest text.
constexpr Box kMessageBox{240, 236, 440, 253};

struct Picture {
    std::vector<unsigned char> rgb = std::vector<unsigned char>(640 * 480 * 3);  // bottom row first, as GL reads

    Rgb at(int x, int y) const {
        const unsigned char* p = &rgb[3 * (y * 640 + x)];
        return {p[0], p[1], p[2]};
    }
    bool lit(int x, int y) const {
        return std::max({at(x, y).r, at(x, y).g, at(x, y).b}) > 30;
    }

    // Text is lit far past full brightness, so its pixels are pure white.
    int whitePixels(Box b) const {
        int n = 0;
        for (int y = b.y0; y < b.y1; y++)
            for (int x = b.x0; x < b.x1; x++)
                n += std::min({at(x, y).r, at(x, y).g, at(x, y).b}) >= 250;
        return n;
    }

    bool same(const Picture& o, Box b = {0, 0, 640, 480}) const {
        for (int y = b.y0; y < b.y1; y++) {
            auto row = rgb.begin() + 3 * (y * 640 + b.x0);
            if (!std::equal(row, row + 3 * (b.x1 - b.x0), o.rgb.begin() + 3 * (y * 640 + b.x0)))
                return false;
        }
        return true;
    }
};
