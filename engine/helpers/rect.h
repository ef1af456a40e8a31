// Axis-aligned rectangle that grows point by point.
#pragma once

class Rect {
public:
    float x1, y1, x2, y2;
    bool clean;  // holds no point yet

    Rect() : x1(0.0f), y1(0.0f), x2(0.0f), y2(0.0f), clean(true) {}

    void Clear() { clean = true; }
    void AddPoint(float x, float y);
    bool Contains(float x, float y) const;
    bool Overlaps(const Rect& other) const;
};
