// TTranslate3D: the projection's sentinels and focal limit, inverses (affine tolerance, singular
// matrices), rotations about shifted axes, plane and observer frames, and the back projection.
#include "clock/r_Geom3D.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectPoint(const matrixRec& m, double gx, double gy, double gz, double x, double y, double z) {
  double a, b, c;
  TTranslate3D::Transform(gx, gy, gz, a, b, c, m);
  EXPECT_NEAR(a, x, 1e-9);
  EXPECT_NEAR(b, y, 1e-9);
  EXPECT_NEAR(c, z, 1e-9);
}

TEST(TTranslate3D, PerspectiveAtTheCameraGivesTheIntegerRangeEnds) {
  matrixRec m;  // identity: local = global, y the depth
  const struct {
    double x, y, z;
    double u, v;
    bool visible;
  } cases[] = {{1, 0.00005, -1, 2147483647.0, -2147483647.0, false},
               {1, -0.00005, -1, -2147483647.0, 2147483647.0, false},
               {2, 4, 1, 0.5, 0.25, true},
               {2, 1, 1, 2, 1, false},           // exactly at the focal distance: not visible
               {2, 1.000001, 1, 2, 1, true},     // just beyond it
               {2, -4, 1, -0.5, -0.25, false}};  // behind: mirrored, not visible
  for (const auto& c : cases) {
    SCOPED_TRACE(c.y);
    double u = 0, v = 0;
    EXPECT_EQ(TTranslate3D::Perspective(u, v, c.x, c.y, c.z, 1, m), c.visible);
    EXPECT_NEAR(u, c.u, 1e-5);
    EXPECT_NEAR(v, c.v, 1e-5);
  }
  double u = 0, v = 0;
  EXPECT_TRUE(TTranslate3D::Perspective(u, v, 0, NAN, 0, 1, m)) << "a depth that is no number counts as beyond";
}

TEST(TTranslate3D, MatrixReverseInvertsAffineMatricesOnly) {
  matrixRec a;
  TTranslate3D::RotateAboutZ(0.3, a);
  TTranslate3D::RotateAboutX(-0.7, a);
  TTranslate3D::Multiply(2.5, a);
  TTranslate3D::Translate(3, -4, 5, a);
  matrixRec inv, product;
  ASSERT_TRUE(TTranslate3D::MatrixReverse(a, inv));
  TTranslate3D::MultiplyMatrices(a, inv, product);
  expectPoint(product, 1.5, -2, 7, 1.5, -2, 7);

  matrixRec sentinel;
  sentinel.M41 = 99;
  const struct {
    const char* id;
    long double M44, M34, M11;
    bool inverted;
  } cases[] = {{"M44 1.002", 1.002L, 0, 1, false},
               {"M44 1.0005", 1.0005L, 0, 1, true},
               {"M34 0.01", 1, 0.01L, 1, false},
               {"singular", 1, 0, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    matrixRec m, out = sentinel;
    m.M44 = c.M44;
    m.M34 = c.M34;
    m.M11 = c.M11;
    EXPECT_EQ(TTranslate3D::MatrixReverse(m, out), c.inverted);
    if (!c.inverted) EXPECT_EQ(out.M41, 99) << "the output is left alone";
  }
}

TEST(TTranslate3D, RotationsAboutShiftedAxesKeepTheirFixedPoints) {
  matrixRec z;
  TTranslate3D::RotateAboutZ(M_PI / 2, 1, 0, z);
  expectPoint(z, 2, 0, 0, 1, 1, 0);
  matrixRec y;
  TTranslate3D::RotateAboutY(0.8, 2, 3, y);
  expectPoint(y, -2, 5, -3, -2, 5, -3);
  matrixRec x;
  TTranslate3D::RotateAboutX(0.8, 2, 3, x);
  expectPoint(x, 7, -2, -3, 7, -2, -3);
  matrixRec s;
  TTranslate3D::MultiplyAboutPoint(1, 2, 3, 4, s);
  expectPoint(s, -1, -2, -3, -1, -2, -3);
}

TEST(TTranslate3D, PlaneFrameMapsItsThreePoints) {
  matrixRec m;
  TTranslate3D::MatrixForPlane(1, 2, 3, 4, 6, 3, 1, 2, 10, m);
  expectPoint(m, 1, 2, 3, 0, 0, 0);
  expectPoint(m, 4, 6, 3, 5, 0, 0);
  double x, y, z;
  TTranslate3D::Transform(1, 2, 10, x, y, z, m);
  EXPECT_NEAR(z, 0, 1e-9);
  EXPECT_GT(y, 0);
  double a, b, c, d;
  TTranslate3D::getABCD(a, b, c, d, m);
  const double pts[3][3] = {{1, 2, 3}, {4, 6, 3}, {1, 2, 10}};
  for (const auto& p : pts) EXPECT_NEAR(a * p[0] + b * p[1] + c * p[2] + d, 0, 1e-9);
}

TEST(TTranslate3D, ObserverFrameLooksAtItsTargetUpright) {
  matrixRec m;
  TTranslate3D::MatrixForObserver(0, -400, 100, 0, 1000, 500, m);
  double x, y, z;
  TTranslate3D::Transform(0, 1000, 500, x, y, z, m);
  EXPECT_NEAR(x, 0, 1e-9);
  EXPECT_NEAR(z, 0, 1e-9);
  EXPECT_GT(y, 0);
  TTranslate3D::Transform(0, 0, 5000, x, y, z, m);
  EXPECT_GT(z, 0) << "up stays up";
  TTranslate3D::Transform(300, 1000, 500, x, y, z, m);
  EXPECT_GT(x, 0) << "east is to the right looking north";
  // Straight down: the bearing of atan2(0, 0) is +pi/2, so up is towards +x.
  TTranslate3D::MatrixForObserver(0, 0, 100, 0, 0, 0, m);
  TTranslate3D::Transform(0, 0, 0, x, y, z, m);
  EXPECT_NEAR(x, 0, 1e-9);
  EXPECT_NEAR(y, 100, 1e-9);
  TTranslate3D::Transform(50, 0, 100, x, y, z, m);
  EXPECT_GT(z, 0);
}

TEST(TTranslate3D, BackProjectionAndLineCrossingLeaveOutputsOfParallelRaysAlone) {
  matrixRec m, inv;
  TTranslate3D::MatrixForObserver(0, 0, 10, 0, 100, 0, m);
  ASSERT_TRUE(TTranslate3D::MatrixReverse(m, inv));
  double u, v;
  TTranslate3D::Perspective(u, v, 5, 100, 0, 1, m);
  double x = 0, y = 0;
  TTranslate3D::ReversePerspective(u, v, x, y, 0, 1, 0, 0, 10, inv);
  EXPECT_NEAR(x, 5, 1e-6);
  EXPECT_NEAR(y, 100, 1e-6);
  matrixRec level, levelInv;  // a camera looking level: the image's middle row never meets z = 0
  TTranslate3D::MatrixForObserver(0, 0, 10, 0, 100, 10, level);
  ASSERT_TRUE(TTranslate3D::MatrixReverse(level, levelInv));
  x = 7, y = 8;
  TTranslate3D::ReversePerspective(0, 0, x, y, 0, 1, 0, 0, 10, levelInv);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 8);

  TTranslate3D t;
  matrixRec plane;  // the plane z = 0
  double gx = 1, gy = 2, gz = 3;
  EXPECT_FALSE(t.lineIntersects(gx, gy, gz, 0, 0, 5, 1, 1, 0, plane));
  EXPECT_EQ(gx, 1);
  EXPECT_EQ(t.xc(), 0);
  EXPECT_TRUE(t.lineIntersects(gx, gy, gz, 1, 2, 5, 0, 0, -1, plane));
  EXPECT_NEAR(gz, 0, 1e-12);
  EXPECT_NEAR(t.xc(), 1, 1e-12);
  EXPECT_NEAR(t.yc(), 2, 1e-12);
}

}  // namespace
