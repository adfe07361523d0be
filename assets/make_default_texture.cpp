// Draws the default picture, assets/texture.png: a hot-air balloon rising in a
// sunrise sky over green hills and a lake.
//
// The picture is made to show at a glance if it is ever drawn upside down or
// mirrored: a red-orange band along the top edge, blue water along the bottom
// one, an arrow and the balloon pointing up, the sun on the left and a tree
// on the right. What matters sits near the middle, since the window shows
// about the middle 60% of its width and 93% of its height.
//
// Regenerate (from the repository root):
//   cmake --build build/<dir> --target make_default_texture
//   build/<dir>/assets/make_default_texture assets/texture.png
//   zopflipng -y assets/texture.png assets/texture.png
// (the last, lossless, makes the file a third smaller: the page carries it).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "picture/picture.h"

namespace {

constexpr int kSide = 512;
constexpr int kSamples = 4;  // per pixel side: 16 samples smooth every edge
constexpr float kPi = 3.14159265f;

struct Colour {
    float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour c, float f) { return {c.r * f, c.g * f, c.b * f}; }

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float distance(float u, float v, float cu, float cv) { return std::hypot(u - cu, v - cv); }

// --- Sky ---------------------------------------------------------------------

Colour sky(float u, float v) {
    const Colour top{214, 40, 40};
    const Colour orange{246, 120, 48};
    const Colour gold{255, 200, 120};
    const Colour haze{255, 226, 170};
    Colour c = v < 0.28f  ? mix(top, orange, v / 0.28f)
               : v < 0.5f ? mix(orange, gold, (v - 0.28f) / 0.22f)
                          : mix(gold, haze, (v - 0.5f) / 0.15f);
    // Glow around the sun.
    const float glow = std::exp(-std::pow(distance(u, v, 0.3f, 0.2f) / 0.16f, 2.0f));
    return mix(c, Colour{255, 236, 150}, 0.55f * glow);
}

bool in_sun(float u, float v) { return distance(u, v, 0.3f, 0.2f) < 0.075f; }

// Faint rays fanning out from the sun.
float sun_ray(float u, float v) {
    const float d = distance(u, v, 0.3f, 0.2f);
    if (d < 0.09f || d > 0.2f) return 0.0f;
    const float angle = std::atan2(v - 0.2f, u - 0.3f);
    const float ray = std::pow(std::max(0.0f, std::cos(angle * 12.0f)), 24.0f);
    return ray * (1.0f - smoothstep(0.1f, 0.2f, d)) * 0.5f;
}

// A cloud: overlapping round puffs above a flat base.
bool in_cloud(float u, float v, float cu, float cv, float size) {
    if (v > cv + 0.02f * size) return false;
    const std::array<std::array<float, 3>, 5> puffs{{{-0.07f, 0.0f, 0.04f},
                                                     {-0.025f, -0.025f, 0.05f},
                                                     {0.03f, -0.02f, 0.045f},
                                                     {0.07f, 0.005f, 0.035f},
                                                     {0.0f, 0.01f, 0.04f}}};
    for (const auto& p : puffs) {
        if (distance(u, v, cu + p[0] * size, cv + p[1] * size) < p[2] * size) return true;
    }
    return false;
}

// --- Arrow -------------------------------------------------------------------

// An upward arrow at the top middle: a triangle head on a short shaft.
// Returns 1 inside, 2 in its dark outline, 0 outside.
int arrow(float u, float v) {
    auto inside = [](float u, float v, float grow) {
        const float cx = 0.5f, tip = 0.045f, head_base = 0.12f, half_head = 0.055f, half_shaft = 0.02f, end = 0.205f;
        const bool shaft = std::abs(u - cx) < half_shaft + grow && v > head_base - 0.01f && v < end + grow;
        const float across = (v - tip + grow * 2.2f) / (head_base - tip) * half_head;
        const bool head = v > tip - grow * 2.2f && v < head_base + grow && std::abs(u - cx) < across + grow;
        return shaft || head;
    };
    if (inside(u, v, 0.0f)) return 1;
    if (inside(u, v, 0.006f)) return 2;
    return 0;
}

// --- Balloon -----------------------------------------------------------------

constexpr float kBalloonU = 0.5f;
constexpr float kBalloonV = 0.39f;  // centre of the round top
constexpr float kBalloonR = 0.135f;
constexpr float kMouthV = 0.575f;
constexpr float kMouthHalf = 0.03f;

// Half width of the envelope at height v, 0 outside it: round above the
// centre, narrowing like a teardrop to the mouth below.
float envelope_half_width(float v) {
    if (v < kBalloonV - kBalloonR || v > kMouthV) return 0.0f;
    if (v <= kBalloonV) return std::sqrt(kBalloonR * kBalloonR - (v - kBalloonV) * (v - kBalloonV));
    const float t = (v - kBalloonV) / (kMouthV - kBalloonV);
    return kMouthHalf + (kBalloonR - kMouthHalf) * std::pow(std::cos(t * kPi * 0.5f), 0.8f);
}

bool balloon(float u, float v, Colour& out) {
    const float half = envelope_half_width(v);
    if (half <= 0.0f || std::abs(u - kBalloonU) >= half) return false;
    const std::array<Colour, 6> gores{
        {{232, 52, 64}, {255, 206, 58}, {54, 112, 214}, {250, 244, 232}, {64, 176, 104}, {150, 72, 190}}};
    // Gores follow the meridians, so their width shrinks toward the edges.
    const float across = (u - kBalloonU) / half;  // -1 to 1
    const float meridian = std::asin(std::clamp(across, -1.0f, 1.0f)) / kPi + 0.5f;  // 0 to 1
    const int gore = std::min(static_cast<int>(meridian * 10.0f), 9);
    Colour c = gores[static_cast<std::size_t>((gore + 2) % 6)];
    // Light from the sun, upper left.
    const float shade = std::sqrt(std::max(0.0f, 1.0f - across * across));
    const float lit = 0.62f + 0.38f * shade + 0.12f * (-across) - 0.15f * smoothstep(0.45f, 0.575f, v);
    c = scaled(c, std::clamp(lit, 0.0f, 1.08f));
    // A band round the balloon's waist.
    if (std::abs(v - 0.455f) < 0.008f) c = mix(c, Colour{255, 250, 235}, 0.85f);
    out = c;
    return true;
}

bool basket(float u, float v, Colour& out) {
    const float top = 0.605f, bottom = 0.65f, half = 0.032f;
    if (v >= top && v <= bottom && std::abs(u - kBalloonU) <= half - (v - top) * 0.15f) {
        const bool weave = static_cast<int>((v - top) * 180.0f) % 2 == 0;
        out = weave ? Colour{150, 92, 42} : Colour{122, 70, 30};
        return true;
    }
    // Ropes from the mouth's corners to the basket's.
    for (float side : {-1.0f, 1.0f}) {
        const float t = (v - kMouthV) / (top - kMouthV);
        if (t < 0.0f || t > 1.0f) continue;
        const float rope_u = kBalloonU + side * (kMouthHalf + (half - kMouthHalf) * t);
        if (std::abs(u - rope_u) < 0.0022f) {
            out = Colour{90, 60, 40};
            return true;
        }
    }
    return false;
}

// --- Land and water ----------------------------------------------------------

float far_hills(float u) { return 0.63f + 0.03f * std::sin(u * 9.0f + 0.7f) + 0.015f * std::sin(u * 23.0f); }
float near_hills(float u) { return 0.72f + 0.035f * std::sin(u * 6.0f + 2.4f) + 0.012f * std::sin(u * 17.0f + 1.0f); }
constexpr float kShore = 0.85f;

bool tree(float u, float v, Colour& out) {
    const float base_u = 0.76f, base_v = near_hills(0.76f) + 0.01f;
    if (std::abs(u - base_u) < 0.009f && v > base_v - 0.07f && v < base_v) {
        out = Colour{96, 60, 34};
        return true;
    }
    const float crowns[3][3] = {{0.0f, -0.1f, 0.045f}, {-0.025f, -0.075f, 0.035f}, {0.027f, -0.072f, 0.033f}};
    for (const auto& crown : crowns) {
        const float d = distance(u, v, base_u + crown[0], base_v + crown[1]);
        if (d < crown[2]) {
            const float light = 1.0f - 0.35f * smoothstep(-0.03f, 0.03f, (u - base_u) + (v - base_v + 0.1f));
            out = scaled(Colour{52, 140, 58}, light);
            return true;
        }
    }
    return false;
}

Colour land(float u, float v) {
    if (v < near_hills(u)) {
        const float depth = (v - far_hills(u)) / 0.1f;
        return mix(Colour{96, 150, 110}, Colour{70, 128, 92}, depth);
    }
    const float depth = (v - near_hills(u)) / (kShore - near_hills(u));
    Colour c = mix(Colour{124, 196, 72}, Colour{78, 160, 56}, depth);
    // Rows of a field on the near hill.
    if (static_cast<int>((v - near_hills(u)) * 140.0f) % 3 == 0) c = scaled(c, 0.93f);
    return c;
}

Colour water(float u, float v) {
    const float depth = (v - kShore) / (1.0f - kShore);
    Colour c = mix(Colour{60, 140, 225}, Colour{18, 58, 170}, depth);
    // Short ripples catching the light.
    const float ripple = std::sin(u * 90.0f + std::sin(v * 70.0f) * 3.0f) * std::sin(v * 260.0f);
    if (ripple > 0.8f) c = mix(c, Colour{190, 225, 255}, 0.5f * (1.0f - depth));
    return c;
}

// --- The whole picture, back to front ----------------------------------------------

Colour scene(float u, float v) {
    Colour c;
    if (v >= kShore) {
        c = water(u, v);
    } else if (v >= far_hills(u)) {
        c = land(u, v);
    } else {
        c = sky(u, v);
        c = mix(c, Colour{255, 246, 200}, sun_ray(u, v));
        if (in_sun(u, v)) c = Colour{255, 244, 170};
        if (in_cloud(u, v, 0.74f, 0.24f, 1.0f) || in_cloud(u, v, 0.23f, 0.47f, 0.8f) ||
            in_cloud(u, v, 0.86f, 0.52f, 0.6f)) {
            c = mix(Colour{255, 250, 245}, Colour{255, 214, 196}, (v - 0.18f) / 0.4f);
        }
    }
    Colour thing;
    if (tree(u, v, thing)) c = thing;
    if (basket(u, v, thing)) c = thing;
    if (balloon(u, v, thing)) c = thing;
    switch (arrow(u, v)) {
        case 1: c = Colour{255, 252, 240}; break;
        case 2: c = Colour{120, 30, 30}; break;
        default: break;
    }
    return c;
}

uint8_t to_byte(float value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    lumo::Picture picture(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            Colour sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const float u = (static_cast<float>(x) + (sx + 0.5f) / kSamples) / kSide;
                    const float v = (static_cast<float>(y) + (sy + 0.5f) / kSamples) / kSide;
                    const Colour c = scene(u, v);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            uint8_t* p = picture.pixel(x, y);
            const float n = kSamples * kSamples;
            p[0] = to_byte(sum.r / n);
            p[1] = to_byte(sum.g / n);
            p[2] = to_byte(sum.b / n);
            p[3] = 255;
        }
    }
    std::string error;
    if (!lumo::save_png_file(picture, argv[1], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
