// D3DXMatrixTransformation2D against the composition it stands for, built here from
// elementary matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3d9/d3d9.h"

namespace {

using Matrix = D3DXMATRIX;

Matrix Identity() { return Matrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}; }

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix c{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) c.m[i][j] += a.m[i][k] * b.m[k][j];
  return c;
}

Matrix Translate(float x, float y) {
  Matrix m = Identity();
  m.m[3][0] = x;
  m.m[3][1] = y;
  return m;
}

Matrix Scale(float x, float y) {
  Matrix m = Identity();
  m.m[0][0] = x;
  m.m[1][1] = y;
  return m;
}

Matrix RotateZ(float angle) {
  Matrix m = Identity();
  m.m[0][0] = std::cos(angle);
  m.m[0][1] = std::sin(angle);
  m.m[1][0] = -std::sin(angle);
  m.m[1][1] = std::cos(angle);
  return m;
}

D3DXVECTOR2 Apply(const Matrix& m, float x, float y) {
  return D3DXVECTOR2{x * m.m[0][0] + y * m.m[1][0] + m.m[3][0], x * m.m[0][1] + y * m.m[1][1] + m.m[3][1]};
}

void ExpectMatrixNear(const Matrix& actual, const Matrix& expected) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.m[i][j], expected.m[i][j], 1e-4) << "element " << i << j;
}

TEST(Transformation2D, NullsMeanIdentity) {
  Matrix out;
  EXPECT_EQ(D3DXMatrixTransformation2D(&out, nullptr, 0.7f, nullptr, nullptr, 0, nullptr), &out);
  ExpectMatrixNear(out, Identity());
  EXPECT_EQ(D3DXMatrixTransformation2D(nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(Transformation2D, MatchesTheComposition) {
  D3DXVECTOR2 scalingCenter{7, -3}, scaling{2.5f, 0.5f}, rotationCenter{-4, 9}, translation{100, 40};
  float scalingRotation = 0.6f, rotation = -1.1f;
  Matrix out;
  D3DXMatrixTransformation2D(&out, &scalingCenter, scalingRotation, &scaling, &rotationCenter, rotation, &translation);
  Matrix expected = Translate(-scalingCenter.x, -scalingCenter.y);
  expected = Multiply(expected, RotateZ(-scalingRotation));
  expected = Multiply(expected, Scale(scaling.x, scaling.y));
  expected = Multiply(expected, RotateZ(scalingRotation));
  expected = Multiply(expected, Translate(scalingCenter.x, scalingCenter.y));
  expected = Multiply(expected, Translate(-rotationCenter.x, -rotationCenter.y));
  expected = Multiply(expected, RotateZ(rotation));
  expected = Multiply(expected, Translate(rotationCenter.x, rotationCenter.y));
  expected = Multiply(expected, Translate(translation.x, translation.y));
  ExpectMatrixNear(out, expected);
}

TEST(Transformation2D, EngineDrawScalesThenTurnsThenMoves) {
  D3DXVECTOR2 scaling{2, 3}, translation{10, 20};
  Matrix out;
  D3DXMatrixTransformation2D(&out, nullptr, 0, &scaling, nullptr, static_cast<float>(M_PI / 2), &translation);
  D3DXVECTOR2 corner = Apply(out, 0, 0);
  D3DXVECTOR2 right = Apply(out, 1, 0);
  D3DXVECTOR2 down = Apply(out, 0, 1);
  EXPECT_NEAR(corner.x, 10, 1e-4);
  EXPECT_NEAR(corner.y, 20, 1e-4);
  EXPECT_NEAR(right.x, 10, 1e-4);
  EXPECT_NEAR(right.y, 22, 1e-4);
  EXPECT_NEAR(down.x, 7, 1e-4);
  EXPECT_NEAR(down.y, 20, 1e-4);
}

}  // namespace
