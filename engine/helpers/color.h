// Colour of four float channels, converted to packed ARGB.
#pragma once

#include <cstdint>

class Color {
public:
    float r, g, b, a;

    Color() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    Color(float r, float g, float b, float a) : r(r), g(g), b(b), a(a) {}

    Color& operator+=(const Color& c) {
        r += c.r;
        g += c.g;
        b += c.b;
        a += c.a;
        return *this;
    }
    Color operator*(float s) const { return Color(r * s, g * s, b * s, a * s); }

    uint32_t ToARGB() const;
};
