// drapewell-make-samples OUTDIR: draws the sample wallpapers the program
// ships with and saves them as JPEG files in OUTDIR. Everything is computed
// from fixed formulas and fixed seeds, so every build makes the same files.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "codecs/jpeg.h"
#include "image/picture.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kQuality = 90;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
Rgb Mix(Rgb a, Rgb b, double t) {
    return a * (1 - t) + b * t;
}
double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
double Smooth(double e0, double e1, double x) {
    const double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    return h ^ (h >> 15);
}
double Hash01(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    return Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) / 4294967296.0;
}

// Smoothly interpolated lattice noise in [0, 1].
double ValueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = Smooth(0, 1, x - fx), ty = Smooth(0, 1, y - fy);
    const double a = Hash01(ix, iy, seed), b = Hash01(ix + 1, iy, seed);
    const double c = Hash01(ix, iy + 1, seed), d = Hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

double Fbm(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0, amplitude = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + i) * amplitude;
        norm += amplitude;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
        amplitude *= 0.5;
    }
    return sum / norm;
}

// A cosine palette: smooth, endlessly repeating colour ramps.
Rgb Palette(double t, Rgb a, Rgb b, Rgb c, Rgb d) {
    return {a.r + b.r * std::cos(2 * kPi * (c.r * t + d.r)),
            a.g + b.g * std::cos(2 * kPi * (c.g * t + d.g)),
            a.b + b.b * std::cos(2 * kPi * (c.b * t + d.b))};
}

// A small glow around a point: bright at its centre, fading with distance.
double Glow(double dx, double dy, double radius) {
    return std::exp(-(dx * dx + dy * dy) / (radius * radius));
}

// Fills a 24-bit picture from `shade` (x and y in pixels, colour in 0..1).
// A sub-level of noise before rounding keeps wide gradients free of bands.
bool Render(CPicture& picture, const std::function<Rgb(double, double)>& shade) {
    if (!picture.Create(kWidth, kHeight, 24))
        return false;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture.GetRow(static_cast<std::uint32_t>(y));
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = shade(x + 0.5, y + 0.5);
            const double dither = Hash01(x, y, 99) - 0.5;
            const auto level = [&](double v) {
                return static_cast<std::uint8_t>(
                    std::clamp(std::lround(Clamp01(v) * 255 + dither), 0L, 255L));
            };
            row[3 * x + 0] = level(c.b);
            row[3 * x + 1] = level(c.g);
            row[3 * x + 2] = level(c.r);
        }
    }
    return true;
}

// Northern lights over a dark ridge.
Rgb Aurora(double px, double py) {
    const double x = px / kHeight, y = py / kHeight;
    Rgb sky = Mix(Rgb{0.01, 0.02, 0.06}, Rgb{0.02, 0.10, 0.16}, Smooth(0.0, 1.0, y));
    // Curtains: bright lower edges along wavy lines, rays hanging from them.
    for (int band = 0; band < 3; ++band) {
        const double wave = 0.38 + 0.07 * band + 0.06 * std::sin(x * (2.1 + band) + band * 1.7) +
                            0.03 * std::sin(x * 5.3 - band);
        const double above = wave - y;  // distance above the lower edge
        if (above < -0.02)
            continue;
        const double rays = 0.55 + 0.45 * Fbm(x * 18 + band * 5, 0.4, 3, 11 + band);
        const double curtain = (above < 0 ? std::exp(-above * above / 0.0001)
                                          : std::exp(-above / (0.10 + 0.04 * band))) *
                               rays * (0.85 - 0.2 * band);
        const Rgb tint =
            Mix(Rgb{0.15, 0.95, 0.55}, Rgb{0.55, 0.25, 0.85}, Smooth(0.0, 0.25, above));
        sky = sky + tint * curtain * 0.8;
    }
    if (Hash01(static_cast<std::int64_t>(px), static_cast<std::int64_t>(py), 5) > 0.9992)
        sky = sky + Rgb{0.7, 0.7, 0.8} * (1 - y);
    // The ridge: layered noise as the horizon line.
    const double ridge = 0.80 + 0.08 * (Fbm(x * 2.5, 3.3, 5, 21) - 0.5) * 2;
    if (y > ridge)
        return Mix(Rgb{0.01, 0.02, 0.03}, Rgb{0.0, 0.0, 0.01}, Smooth(ridge, 1.0, y));
    return sky;
}

// Soft plasma through a warm-to-cool palette.
Rgb Plasma(double px, double py) {
    const double x = px / kHeight, y = py / kHeight;
    const double v = std::sin(x * 3.1 + 0.3) + std::sin((y * 2.7 + x * 1.3) * 1.7) +
                     std::sin(std::hypot(x - 0.9, y - 0.45) * 7.5) +
                     std::sin(std::hypot(x - 1.5, y + 0.2) * 4.3) +
                     1.2 * Fbm(x * 1.5, y * 1.5, 4, 3);
    const double t = v * 0.18;
    Rgb c = Palette(t, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {1.0, 1.0, 1.0}, {0.00, 0.15, 0.25});
    // A slight vignette draws the eye to the middle.
    const double vignette = 1 - 0.35 * Smooth(0.4, 1.2, std::hypot(x - 0.89, y - 0.5) * 1.2);
    return c * (0.92 * vignette);
}

// Rolling hills in receding layers under an evening sky.
Rgb Hills(double px, double py) {
    const double x = px / kHeight, y = py / kHeight;
    Rgb c = Mix(Rgb{0.98, 0.74, 0.55}, Rgb{0.36, 0.42, 0.70}, Smooth(0.55, 0.0, y));
    c = c + Rgb{1.0, 0.85, 0.6} * (0.5 * Glow(x - 1.25, y - 0.42, 0.22));
    const Rgb near{0.10, 0.12, 0.24}, far{0.80, 0.60, 0.62};
    for (int layer = 0; layer < 6; ++layer) {
        const double depth = layer / 5.0;  // 0 far, 1 near
        const double base = 0.45 + 0.09 * layer;
        const double top = base - 0.05 * std::sin(x * (1.2 + 0.5 * layer) + layer * 2.3) -
                           0.025 * std::sin(x * (3.1 + layer) - layer) -
                           0.02 * Fbm(x * 3, layer * 7.0, 3, 40 + layer);
        if (y > top) {
            c = Mix(far, near, std::pow(depth, 0.8));
            c = c * (1 - 0.15 * Smooth(top, top + 0.25, y));  // shade down the slope
        }
    }
    return c;
}

// Deep space: a coloured nebula and stars of every brightness.
Rgb Starfield(double px, double py) {
    const double x = px / kHeight, y = py / kHeight;
    const double n = Fbm(x * 2.2, y * 2.2, 6, 7);
    const double m = Fbm(x * 3.0 + 4, y * 3.0 - 2, 5, 8);
    const double cloud = Smooth(0.38, 0.8, n);
    Rgb c = Rgb{0.005, 0.008, 0.02} +
            Mix(Rgb{0.35, 0.08, 0.45}, Rgb{0.05, 0.35, 0.55}, m) * cloud * 1.0;
    c = c + Rgb{0.9, 0.5, 0.3} * (Smooth(0.7, 0.95, n * m * 1.6) * 0.4);
    // Stars on a coarse grid, each cell holding at most one at a random spot.
    constexpr double kCell = 24;
    const auto cx = static_cast<std::int64_t>(px / kCell),
               cy = static_cast<std::int64_t>(py / kCell);
    for (std::int64_t j = cy - 1; j <= cy + 1; ++j) {
        for (std::int64_t i = cx - 1; i <= cx + 1; ++i) {
            const double chance = Hash01(i, j, 31);
            if (chance < 0.45)
                continue;
            const double sx = (i + Hash01(i, j, 32)) * kCell, sy = (j + Hash01(i, j, 33)) * kCell;
            const double bright = std::pow(Hash01(i, j, 34), 6) * 1.4 + 0.15;
            const double size = 0.7 + 2.2 * std::pow(Hash01(i, j, 35), 4);
            const Rgb tint = Mix(Rgb{1.0, 0.85, 0.7}, Rgb{0.7, 0.8, 1.0}, Hash01(i, j, 36));
            const double dx = px - sx, dy = py - sy;
            double light = Glow(dx, dy, size) * bright;
            if (bright > 1.0)  // the brightest get faint diffraction spikes
                light +=
                    bright * 0.25 * (Glow(dx, dy * 14, size * 10) + Glow(dx * 14, dy, size * 10));
            c = c + tint * light;
        }
    }
    return c;
}

// A sunset over still water with rippling reflections.
Rgb Sunset(double px, double py) {
    const double x = px / kHeight, y = py / kHeight;
    constexpr double kHorizon = 0.62;
    const auto sky = [&](double sy) {
        Rgb c = Mix(Rgb{1.0, 0.55, 0.25}, Rgb{0.20, 0.16, 0.42}, Smooth(kHorizon, 0.0, sy));
        c = Mix(c, Rgb{0.08, 0.06, 0.22}, Smooth(0.25, 0.0, sy));
        const double sun = Glow(x - 0.95, sy - 0.50, 0.06);
        c = c + Rgb{1.0, 0.8, 0.5} * (0.6 * Glow(x - 0.95, sy - 0.50, 0.30)) +
            Rgb{1.0, 0.95, 0.8} * Smooth(0.6, 0.8, sun);
        // Thin streaks of cloud catching the light.
        const double streak = Fbm(x * 1.5, sy * 22, 4, 51);
        c = Mix(c, Rgb{0.95, 0.45, 0.45}, Smooth(0.55, 0.8, streak) * 0.5 * Smooth(0.1, 0.45, sy));
        return c;
    };
    if (y < kHorizon)
        return sky(y);
    const double depth = y - kHorizon;
    const double ripple = 0.012 * std::sin(x * 40 / (depth + 0.05) + depth * 90) *
                          (0.5 + Fbm(x * 8, depth * 60, 3, 61));
    const Rgb reflected = sky(kHorizon - depth - ripple);
    return Mix(reflected * 0.82, Rgb{0.05, 0.05, 0.14}, Smooth(0.0, 0.4, depth));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    const struct {
        const char* name;
        Rgb (*shade)(double, double);
    } samples[] = {
        {"Aurora.jpg", Aurora},       {"Plasma.jpg", Plasma}, {"Hills.jpg", Hills},
        {"Starfield.jpg", Starfield}, {"Sunset.jpg", Sunset},
    };
    for (const auto& sample : samples) {
        CPicture picture;
        const std::string path = dir + sample.name;
        if (!Render(picture, sample.shade) || !SaveJpeg(picture, path, kQuality)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
            return 1;
        }
    }
    return 0;
}
