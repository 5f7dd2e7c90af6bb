// TTranslate3D: matrix building, products, the affine inverse by cofactors, plane and observer
// frames, and the pinhole projection. atan2 here takes an adjacent of 0 as +-pi/2 by the sign of
// the opposite, as the system's trigonometry service does.
#include "clock/r_Geom3D.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kFar = 2147483647.0;  // image coordinate of a point at the camera

double arcTan(double opposite, double adjacent) {
  if (adjacent == 0) return opposite >= 0 ? kPi / 2 : -kPi / 2;
  return std::atan2(opposite, adjacent);
}

// M := A x M (A acts on points first).
void prepend(const matrixRec& a, matrixRec& m) {
  matrixRec r;
  TTranslate3D::MultiplyMatrices(a, m, r);
  m = r;
}

long double& at(matrixRec& m, int r, int c) { return (&m.M11)[(r - 1) * 4 + (c - 1)]; }
long double at(const matrixRec& m, int r, int c) { return (&m.M11)[(r - 1) * 4 + (c - 1)]; }
}  // namespace

void TTranslate3D::defaultMatrix(matrixRec& m) { m = matrixRec{}; }

void TTranslate3D::Transform(double gx, double gy, double gz, double& x, double& y, double& z, const matrixRec& m) {
  x = double(gx * m.M11 + gy * m.M21 + gz * m.M31 + m.M41);
  y = double(gx * m.M12 + gy * m.M22 + gz * m.M32 + m.M42);
  z = double(gx * m.M13 + gy * m.M23 + gz * m.M33 + m.M43);
}

void TTranslate3D::ReverseTransform(double& gx, double& gy, double& gz, double x, double y, double z,
                                    const matrixRec& m) {
  const long double dx = x - m.M41, dy = y - m.M42, dz = z - m.M43;
  gx = double(m.M11 * dx + m.M12 * dy + m.M13 * dz);
  gy = double(m.M21 * dx + m.M22 * dy + m.M23 * dz);
  gz = double(m.M31 * dx + m.M32 * dy + m.M33 * dz);
}

void TTranslate3D::getABCD(double& a, double& b, double& c, double& d, const matrixRec& m) {
  double x0, y0, z0, x1, y1, z1;
  ReverseTransform(x0, y0, z0, 0, 0, 0, m);
  ReverseTransform(x1, y1, z1, 0, 0, 1, m);
  a = x1 - x0;
  b = y1 - y0;
  c = z1 - z0;
  d = -(a * x0 + b * y0 + c * z0);
}

bool TTranslate3D::lineIntersects(double& gx, double& gy, double& gz, double x, double y, double z, double a,
                                  double b, double c, const matrixRec& m) {
  double X, Y, Z0, Z1;
  Transform(x, y, z, X, Y, Z0, m);
  Transform(x + a, y + b, z + c, X, Y, Z1, m);
  if (Z0 == Z1) return false;
  const double t = Z0 / (Z0 - Z1);
  gx = x + t * a;
  gy = y + t * b;
  gz = z + t * c;
  double lz;
  Transform(gx, gy, gz, fxc, fyc, lz, m);
  return true;
}

void TTranslate3D::Multiply(double factor, matrixRec& m) { MultiplyEx(factor, factor, factor, m); }

void TTranslate3D::MultiplyEx(double Sx, double Sy, double Sz, matrixRec& m) {
  matrixRec a;
  a.M11 = Sx;
  a.M22 = Sy;
  a.M33 = Sz;
  prepend(a, m);
}

void TTranslate3D::MultiplyAboutPoint(double x, double y, double z, double factor, matrixRec& m) {
  Translate(-x, -y, -z, m);
  Multiply(factor, m);
  Translate(x, y, z, m);
}

void TTranslate3D::Translate(double dx, double dy, double dz, matrixRec& m) {
  matrixRec a;
  a.M41 = dx;
  a.M42 = dy;
  a.M43 = dz;
  prepend(a, m);
}

void TTranslate3D::RotateAboutX(double angle, matrixRec& m) {
  matrixRec a;
  const double c = std::cos(angle), s = std::sin(angle);
  a.M22 = c;
  a.M23 = s;
  a.M32 = -s;
  a.M33 = c;
  prepend(a, m);
}

void TTranslate3D::RotateAboutY(double angle, matrixRec& m) {
  matrixRec a;
  const double c = std::cos(angle), s = std::sin(angle);
  a.M11 = c;
  a.M13 = -s;
  a.M31 = s;
  a.M33 = c;
  prepend(a, m);
}

void TTranslate3D::RotateAboutZ(double angle, matrixRec& m) {
  matrixRec a;
  const double c = std::cos(angle), s = std::sin(angle);
  a.M11 = c;
  a.M12 = s;
  a.M21 = -s;
  a.M22 = c;
  prepend(a, m);
}

void TTranslate3D::RotateAboutX(double angle, double y, double z, matrixRec& m) {
  Translate(0, -y, -z, m);
  RotateAboutX(angle, m);
  Translate(0, y, z, m);
}

void TTranslate3D::RotateAboutY(double angle, double x, double z, matrixRec& m) {
  Translate(-x, 0, -z, m);
  RotateAboutY(angle, m);
  Translate(x, 0, z, m);
}

void TTranslate3D::RotateAboutZ(double angle, double x, double y, matrixRec& m) {
  Translate(x, y, 0, m);
  RotateAboutZ(angle, m);
  Translate(-x, -y, 0, m);
}

void TTranslate3D::MultiplyMatrices(const matrixRec& e, const matrixRec& n, matrixRec& m) {
  matrixRec r;
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      double sum = 0;  // the products are summed in double precision, then stored
      for (int k = 1; k <= 4; ++k) sum += double(at(e, i, k) * at(n, k, j));
      at(r, i, j) = sum;
    }
  m = r;
}

bool TTranslate3D::MatrixReverse(const matrixRec& a, matrixRec& m) {
  if (std::fabs(double(a.M44) - 1) > 0.001 || std::fabs(double(a.M14)) > 0.001 ||
      std::fabs(double(a.M24)) > 0.001 || std::fabs(double(a.M34)) > 0.001)
    return false;
  const long double c11 = a.M22 * a.M33 - a.M23 * a.M32, c12 = a.M23 * a.M31 - a.M21 * a.M33,
                    c13 = a.M21 * a.M32 - a.M22 * a.M31;
  const long double det = a.M11 * c11 + a.M12 * c12 + a.M13 * c13;
  if (det == 0 || !std::isfinite(double(det))) return false;  // singular: no inverse exists
  const double rd = double(1.0L / det);
  matrixRec r;
  r.M11 = c11 * rd;
  r.M12 = (a.M13 * a.M32 - a.M12 * a.M33) * rd;
  r.M13 = (a.M12 * a.M23 - a.M13 * a.M22) * rd;
  r.M21 = c12 * rd;
  r.M22 = (a.M11 * a.M33 - a.M13 * a.M31) * rd;
  r.M23 = (a.M13 * a.M21 - a.M11 * a.M23) * rd;
  r.M31 = c13 * rd;
  r.M32 = (a.M12 * a.M31 - a.M11 * a.M32) * rd;
  r.M33 = (a.M11 * a.M22 - a.M12 * a.M21) * rd;
  r.M14 = r.M24 = r.M34 = 0;
  r.M44 = 1;
  r.M41 = -(a.M41 * r.M11 + a.M42 * r.M21 + a.M43 * r.M31);
  r.M42 = -(a.M41 * r.M12 + a.M42 * r.M22 + a.M43 * r.M32);
  r.M43 = -(a.M41 * r.M13 + a.M42 * r.M23 + a.M43 * r.M33);
  m = r;
  return true;
}

void TTranslate3D::MatrixForPlane(double x1, double y1, double z1, double x2, double y2, double z2, double x3,
                                  double y3, double z3, matrixRec& m) {
  const double d2x = x2 - x1, d2y = y2 - y1, d2z = z2 - z1;
  const double d3x = x3 - x1, d3y = y3 - y1, d3z = z3 - z1;
  matrixRec m1, m2, m3, m4;
  RotateAboutZ(arcTan(d2x, d2y) - kPi / 2, m1);
  double X, Y, Z;
  Transform(d2x, d2y, d2z, X, Y, Z, m1);
  RotateAboutY(arcTan(Z, X), m2);
  MultiplyMatrices(m1, m2, m3);
  double X3, Y3, Z3;
  Transform(d3x, d3y, d3z, X3, Y3, Z3, m3);
  RotateAboutX(-arcTan(Z3, Y3), m4);
  MultiplyMatrices(m3, m4, m);
  Translate(-x1, -y1, -z1, m);
}

void TTranslate3D::RelocatePlanes(double ax, double ay, double az, double bx, double by, double bz, double cx,
                                  double cy, double cz, double ax2, double ay2, double az2, double bx2, double by2,
                                  double bz2, double cx2, double cy2, double cz2, matrixRec& m) {
  matrixRec m1, S, m2, m3, inv;
  MatrixForPlane(ax, ay, az, bx, by, bz, cx, cy, cz, m1);
  const double d1 = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay) + (bz - az) * (bz - az));
  const double d2 = std::sqrt((bx2 - ax2) * (bx2 - ax2) + (by2 - ay2) * (by2 - ay2) + (bz2 - az2) * (bz2 - az2));
  Multiply(d2 / d1, S);
  MultiplyMatrices(m1, S, m2);
  MatrixForPlane(ax2, ay2, az2, bx2, by2, bz2, cx2, cy2, cz2, m3);
  MatrixReverse(m3, inv);
  MultiplyMatrices(m2, inv, m);
}

void TTranslate3D::MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, double xv,
                                     double yv, double zv, matrixRec& m) {
  const double ax = xc - x0, ay = yc - y0, az = zc - z0;
  const double bx = xv - x0, by = yv - y0, bz = zv - z0;
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  MatrixForPlane(x0, y0, z0, x0 + nx, y0 + ny, z0 + nz, xc, yc, zc, m);
}

namespace {
// The up point of the six-value observer frame, and the bearing and distances it used.
void upPoint(double x0, double y0, double z0, double xc, double yc, double zc, double& xv, double& yv, double& zv,
             double& b, double& h, double& dz) {
  b = arcTan(xc - x0, yc - y0);
  h = std::sqrt((xc - x0) * (xc - x0) + (yc - y0) * (yc - y0));
  dz = z0 - zc;
  xv = x0 + dz * std::sin(b);
  yv = y0 + dz * std::cos(b);
  zv = z0 + h;
}
}  // namespace

void TTranslate3D::MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, double yaw,
                                     matrixRec& m) {
  double xv, yv, zv, b, h, dz;
  upPoint(x0, y0, z0, xc, yc, zc, xv, yv, zv, b, h, dz);
  const double L = std::sqrt(dz * dz + h * h), c = std::cos(yaw), s = std::sin(yaw);
  MatrixForObserver(x0, y0, z0, xc, yc, zc, x0 + (xv - x0) * c + L * s * std::cos(b),
                    y0 + (yv - y0) * c - L * s * std::sin(b), z0 + (zv - z0) * c, m);
}

void TTranslate3D::MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, matrixRec& m) {
  double xv, yv, zv, b, h, dz;
  upPoint(x0, y0, z0, xc, yc, zc, xv, yv, zv, b, h, dz);
  MatrixForObserver(x0, y0, z0, xc, yc, zc, xv, yv, zv, m);
}

void TTranslate3D::MatrixForObserver(double x0, double y0, double z0, double bearing, double pitch, matrixRec& m) {
  MatrixForObserver(x0, y0, z0, x0 + std::cos(pitch) * std::sin(bearing), y0 + std::cos(pitch) * std::cos(bearing),
                    z0 - std::sin(pitch), m);
}

bool TTranslate3D::Perspective(double& imagex, double& imagey, double x, double y, double z, double focallength,
                               const matrixRec& m) {
  double X, Y, Z;
  Transform(x, y, z, X, Y, Z, m);
  const bool beyond = !(Y <= focallength);
  if (std::fabs(Y) >= 0.0001) {
    imagex = X * (focallength / Y);
    imagey = Z * (focallength / Y);
  } else {
    imagex = (X > 0 || std::isnan(X)) ? kFar : -kFar;
    imagey = (Z > 0 || std::isnan(Z)) ? kFar : -kFar;
    if (Y < 0) {
      imagex = -imagex;
      imagey = -imagey;
    }
  }
  return beyond;
}

void TTranslate3D::ReversePerspective(double imagex, double imagey, double& x, double& y, double z,
                                      double focallength, double x0, double y0, double z0, const matrixRec& rm) {
  double Px, Py, Pz;
  Transform(imagex, focallength, imagey, Px, Py, Pz, rm);
  if (Pz == z0) return;  // the ray never reaches that height
  const double t = (z - z0) / (Pz - z0);
  x = x0 + (Px - x0) * t;
  y = y0 + (Py - y0) * t;
}

void TTranslate3D::PerspectiveVector(double imagex, double imagey, double& A, double& B, double& C,
                                     double focallength, double x0, double y0, double z0, const matrixRec& rm) {
  double Px, Py, Pz;
  Transform(imagex, focallength, imagey, Px, Py, Pz, rm);
  A = Px - x0;
  B = Py - y0;
  C = Pz - z0;
}
