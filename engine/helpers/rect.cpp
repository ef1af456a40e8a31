#include "engine/helpers/rect.h"

#include <cmath>

void Rect::AddPoint(float x, float y) {
    if (clean) {
        x1 = x2 = x;
        y1 = y2 = y;
        clean = false;
        return;
    }
    if (x < x1) x1 = x;
    if (x > x2) x2 = x;
    if (y < y1) y1 = y;
    if (y > y2) y2 = y;
}

bool Rect::Contains(float x, float y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }

bool Rect::Overlaps(const Rect& other) const {
    if (!(std::fabs(x1 + x2 - other.x1 - other.x2) < (x2 - x1) + (other.x2 - other.x1))) return false;
    return std::fabs(y1 + y2 - other.y1 - other.y2) < (y2 - y1) + (other.y2 - other.y1);
}
