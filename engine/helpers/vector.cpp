#include "engine/helpers/vector.h"

#include <cmath>
#include <cstdint>
#include <cstring>

float FastInvSqrt(float x) {
    int32_t i;
    std::memcpy(&i, &x, sizeof(i));
    i = 0x5F3759DF - (i >> 1);
    float y;
    std::memcpy(&y, &i, sizeof(y));
    const float half = 0.4999f;
    return (1.5f - x * half * y * y) * y;
}

Vector& Vector::Normalize() {
    float k = FastInvSqrt(Dot(*this));
    x *= k;
    y *= k;
    return *this;
}

float Vector::Angle(const Vector* other) const {
    if (!other) return std::atan2(y, x);
    Vector s = *this;
    Vector t = *other;
    s.Normalize();
    t.Normalize();
    float d = s.Dot(t);
    // The approximate normalisation can leave the product just outside the arc cosine's domain.
    if (d > 1.0f) d = 1.0f;
    if (d < -1.0f) d = -1.0f;
    return std::acos(d);
}

Vector& Vector::Rotate(float a) {
    float c = std::cos(a);
    float s = std::sin(a);
    float nx = c * x - s * y;
    float ny = s * x + c * y;
    x = nx;
    y = ny;
    return *this;
}
