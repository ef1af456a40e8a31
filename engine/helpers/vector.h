// Two-dimensional float vector.
#pragma once

float FastInvSqrt(float x);

class Vector {
public:
    float x, y;

    Vector() : x(0.0f), y(0.0f) {}
    Vector(float x, float y) : x(x), y(y) {}

    Vector operator-(const Vector& v) const { return Vector(x - v.x, y - v.y); }
    Vector operator+(const Vector& v) const { return Vector(x + v.x, y + v.y); }
    Vector& operator+=(const Vector& v) {
        x += v.x;
        y += v.y;
        return *this;
    }
    Vector operator*(float s) const { return Vector(x * s, y * s); }
    Vector& operator*=(float s) {
        x *= s;
        y *= s;
        return *this;
    }

    float Dot(const Vector& v) const { return x * v.x + y * v.y; }
    Vector& Normalize();
    // Without another vector: atan2(y, x); with one: the angle between the two directions.
    float Angle(const Vector* other = nullptr) const;
    Vector& Rotate(float a);
};
