// D3DXMatrixTransformation2D: scaling about a centre along an axis turned by the
// scaling rotation, then rotation about a centre, then translation. With row vectors:
// M = Msc^-1 * Msr^-1 * Ms * Msr * Msc * Mrc^-1 * Mr * Mrc * Mt.
#include <cmath>

#include "platform/d3dx9/d3dx9.h"

namespace {

// A 2D affine transformation for row vectors: [x y 1] * [[a b 0] [c d 0] [tx ty 1]].
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

Affine operator*(const Affine& l, const Affine& r) {
  return Affine{l.a * r.a + l.b * r.c,           l.a * r.b + l.b * r.d,
                l.c * r.a + l.d * r.c,           l.c * r.b + l.d * r.d,
                l.tx * r.a + l.ty * r.c + r.tx, l.tx * r.b + l.ty * r.d + r.ty};
}

Affine Translation(double x, double y) { return Affine{1, 0, 0, 1, x, y}; }

// Turns counter-clockwise in a y-up frame by angle radians (D3DXMatrixRotationZ), which
// on a y-down screen turns clockwise.
Affine Rotation(double angle) {
  double s = std::sin(angle), c = std::cos(angle);
  return Affine{c, s, -s, c, 0, 0};
}

Affine Scaling(double x, double y) { return Affine{x, 0, 0, y, 0, 0}; }

}  // namespace

D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* out, const D3DXVECTOR2* scalingCenter, float scalingRotation,
                                       const D3DXVECTOR2* scaling, const D3DXVECTOR2* rotationCenter,
                                       float rotation, const D3DXVECTOR2* translation) {
  if (out == nullptr) return nullptr;
  double scx = scalingCenter ? scalingCenter->x : 0.0, scy = scalingCenter ? scalingCenter->y : 0.0;
  double rcx = rotationCenter ? rotationCenter->x : 0.0, rcy = rotationCenter ? rotationCenter->y : 0.0;

  Affine m;
  if (scaling != nullptr) {
    Affine axis = Rotation(scalingRotation);
    Affine axisBack = Rotation(-scalingRotation);
    m = Translation(-scx, -scy) * axisBack * Scaling(scaling->x, scaling->y) * axis * Translation(scx, scy);
  }
  m = m * Translation(-rcx, -rcy) * Rotation(rotation) * Translation(rcx, rcy);
  if (translation != nullptr) m = m * Translation(translation->x, translation->y);

  *out = D3DXMATRIX{{{static_cast<float>(m.a), static_cast<float>(m.b), 0, 0},
                     {static_cast<float>(m.c), static_cast<float>(m.d), 0, 0},
                     {0, 0, 1, 0},
                     {static_cast<float>(m.tx), static_cast<float>(m.ty), 0, 1}}};
  return out;
}
