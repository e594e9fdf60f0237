#include "tools/artgen/Shapes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace artgen {

namespace {

float RoundedRectDistance(Box box, float radius, float x, float y) {
  float hw = (box.x1 - box.x0) * 0.5f;
  float hh = (box.y1 - box.y0) * 0.5f;
  radius = std::clamp(radius, 0.0f, std::min(hw, hh));
  float qx = std::fabs(x - (box.x0 + hw)) - (hw - radius);
  float qy = std::fabs(y - (box.y0 + hh)) - (hh - radius);
  float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

Box Grow(Box box, float by) { return Box{box.x0 - by, box.y0 - by, box.x1 + by, box.y1 + by}; }

}  // namespace

Paint Solid(Colour c) {
  return [c](float, float) { return c; };
}

Paint VerticalGradient(float y0, Colour top, float y1, Colour bottom) {
  return [=](float, float y) {
    float t = y1 > y0 ? (y - y0) / (y1 - y0) : 1.0f;
    return Mix(top, bottom, std::clamp(t, 0.0f, 1.0f));
  };
}

Paint RadialGradient(float cx, float cy, float radius, Colour inner, Colour outer) {
  return [=](float x, float y) {
    float t = radius > 0 ? std::hypot(x - cx, y - cy) / radius : 1.0f;
    return Mix(inner, outer, std::clamp(t, 0.0f, 1.0f));
  };
}

void FillShape(Canvas& canvas, Box bounds, const std::function<float(float, float)>& distance,
               const Paint& paint) {
  int x0 = std::max(0, static_cast<int>(std::floor(bounds.x0)));
  int y0 = std::max(0, static_cast<int>(std::floor(bounds.y0)));
  int x1 = std::min(canvas.Width(), static_cast<int>(std::ceil(bounds.x1)));
  int y1 = std::min(canvas.Height(), static_cast<int>(std::ceil(bounds.y1)));
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      float cx = x + 0.5f, cy = y + 0.5f;
      float coverage = std::clamp(0.5f - distance(cx, cy), 0.0f, 1.0f);
      if (coverage > 0.0f) canvas.Blend(x, y, paint(cx, cy), coverage);
    }
  }
}

void FillRect(Canvas& canvas, Box box, const Paint& paint) {
  FillRoundedRect(canvas, box, 0.0f, paint);
}

void FillRoundedRect(Canvas& canvas, Box box, float radius, const Paint& paint) {
  FillShape(canvas, Grow(box, 1.0f),
            [&](float x, float y) { return RoundedRectDistance(box, radius, x, y); }, paint);
}

void StrokeRoundedRect(Canvas& canvas, Box box, float radius, float width, const Paint& paint) {
  float half = width * 0.5f;
  FillShape(canvas, Grow(box, half + 1.0f),
            [&](float x, float y) { return std::fabs(RoundedRectDistance(box, radius, x, y)) - half; },
            paint);
}

void FillCircle(Canvas& canvas, float cx, float cy, float radius, const Paint& paint) {
  Box bounds{cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1};
  FillShape(canvas, bounds, [&](float x, float y) { return std::hypot(x - cx, y - cy) - radius; },
            paint);
}

void StrokeCircle(Canvas& canvas, float cx, float cy, float radius, float width, const Paint& paint) {
  float half = width * 0.5f;
  float reach = radius + half + 1;
  Box bounds{cx - reach, cy - reach, cx + reach, cy + reach};
  FillShape(canvas, bounds,
            [&](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - radius) - half; },
            paint);
}

void FillConvexPolygon(Canvas& canvas, const std::vector<Point>& corners, const Paint& paint) {
  if (corners.size() < 3) throw std::invalid_argument("a polygon needs three corners");
  // Twice the signed area tells the winding, so every edge normal can point outwards.
  float area = 0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Point& a = corners[i];
    const Point& b = corners[(i + 1) % corners.size()];
    area += a.x * b.y - b.x * a.y;
  }
  float outward = area > 0 ? 1.0f : -1.0f;
  Box bounds{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const Point& p : corners) {
    bounds = Box{std::min(bounds.x0, p.x), std::min(bounds.y0, p.y), std::max(bounds.x1, p.x),
                 std::max(bounds.y1, p.y)};
  }
  FillShape(canvas, Grow(bounds, 1.0f),
            [&](float x, float y) {
              float d = -1e9f;
              for (std::size_t i = 0; i < corners.size(); ++i) {
                const Point& a = corners[i];
                const Point& b = corners[(i + 1) % corners.size()];
                float ex = b.x - a.x, ey = b.y - a.y;
                float len = std::hypot(ex, ey);
                if (len == 0) continue;
                // Distance from the edge's line, positive on the outer side.
                d = std::max(d, outward * (ey * (x - a.x) - ex * (y - a.y)) / len);
              }
              return d;
            },
            paint);
}

void FillBelowCurve(Canvas& canvas, const std::function<float(float)>& top, const Paint& paint) {
  Box all{0, 0, static_cast<float>(canvas.Width()), static_cast<float>(canvas.Height())};
  FillShape(canvas, all, [&](float x, float y) { return top(x) - y; }, paint);
}

}  // namespace artgen
