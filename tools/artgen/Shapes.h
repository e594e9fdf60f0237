// Anti-aliased shapes: each shape is a signed distance (negative inside, in pixels)
// and a pixel's coverage is clamp(0.5 - distance), one pixel of soft edge.
#pragma once

#include <functional>
#include <vector>

#include "tools/artgen/Canvas.h"

namespace artgen {

// The colour at a pixel centre; lets any shape be filled with a gradient.
using Paint = std::function<Colour(float x, float y)>;

Paint Solid(Colour c);
// Top colour above y0, bottom colour below y1, linear in between.
Paint VerticalGradient(float y0, Colour top, float y1, Colour bottom);
// Inner colour at the centre, outer colour from radius on.
Paint RadialGradient(float cx, float cy, float radius, Colour inner, Colour outer);

struct Box {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct Point {
  float x = 0, y = 0;
};

// Fills every pixel whose centre-distance gives coverage, within the bounds.
void FillShape(Canvas& canvas, Box bounds, const std::function<float(float, float)>& distance,
               const Paint& paint);

void FillRect(Canvas& canvas, Box box, const Paint& paint);
void FillRoundedRect(Canvas& canvas, Box box, float radius, const Paint& paint);
// A line of the given width centred on the rounded rectangle's edge.
void StrokeRoundedRect(Canvas& canvas, Box box, float radius, float width, const Paint& paint);
void FillCircle(Canvas& canvas, float cx, float cy, float radius, const Paint& paint);
void StrokeCircle(Canvas& canvas, float cx, float cy, float radius, float width, const Paint& paint);
// A convex polygon, corners in either winding order.
void FillConvexPolygon(Canvas& canvas, const std::vector<Point>& corners, const Paint& paint);
// Everything below the curve y = top(x), down to the canvas bottom (hills, waves).
void FillBelowCurve(Canvas& canvas, const std::function<float(float)>& top, const Paint& paint);

}  // namespace artgen
