// TTranslate3D: 4 x 4 homogeneous transforms for placing scene points in the frame of a plane or
// a camera, and the pinhole projection with its inverse. Points are row vectors: [x y z 1] x M.
// Building operations prepend (A x M: A acts first); the local frame is x right, y depth, z up.
#pragma once

// Sixteen extended reals, row-major: Mrc is row r, column c.
struct matrixRec {
  long double M11 = 1, M12 = 0, M13 = 0, M14 = 0;
  long double M21 = 0, M22 = 1, M23 = 0, M24 = 0;
  long double M31 = 0, M32 = 0, M33 = 1, M34 = 0;
  long double M41 = 0, M42 = 0, M43 = 0, M44 = 1;
};

class TTranslate3D {
 public:
  static void defaultMatrix(matrixRec&);
  // Global to local.
  static void Transform(double gx, double gy, double gz, double& x, double& y, double& z, const matrixRec&);
  // Local to global for a matrix whose 3 x 3 part is a rotation (the transposed rotation).
  static void ReverseTransform(double& gx, double& gy, double& gz, double x, double y, double z, const matrixRec&);
  // The plane local z = 0 as a x + b y + c z + d = 0.
  static void getABCD(double& a, double& b, double& c, double& d, const matrixRec&);
  // The line through (x, y, z) with direction (a, b, c) against the plane local z = 0; false for a
  // parallel line (outputs untouched). The local x, y of the crossing go to xc(), yc().
  bool lineIntersects(double& gx, double& gy, double& gz, double x, double y, double z, double a, double b,
                      double c, const matrixRec&);

  static void Multiply(double factor, matrixRec&);
  static void MultiplyEx(double Sx, double Sy, double Sz, matrixRec&);
  // The fixed point of this scaling is (-x, -y, -z), as the prepending order makes it.
  static void MultiplyAboutPoint(double x, double y, double z, double factor, matrixRec&);
  static void Translate(double dx, double dy, double dz, matrixRec&);
  static void RotateAboutX(double angle, matrixRec&);
  static void RotateAboutY(double angle, matrixRec&);
  static void RotateAboutZ(double angle, matrixRec&);  // x turns towards y
  // About axes through (-y, -z), (-x, -z) and (x, y) respectively (the prepending order).
  static void RotateAboutX(double angle, double y, double z, matrixRec&);
  static void RotateAboutY(double angle, double x, double z, matrixRec&);
  static void RotateAboutZ(double angle, double x, double y, matrixRec&);
  // matrix = existing x next: `existing` acts first.
  static void MultiplyMatrices(const matrixRec& existing, const matrixRec& next, matrixRec& matrix);
  // The inverse of an affine matrix; false (output untouched) for a matrix that is not affine or
  // whose 3 x 3 part is singular.
  static bool MatrixReverse(const matrixRec& a, matrixRec& matrix);
  // p1 to the origin, p2 onto +x, p3 into the x-y plane with y > 0.
  static void MatrixForPlane(double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3,
                             double z3, matrixRec&);
  static void RelocatePlanes(double ax, double ay, double az, double bx, double by, double bz, double cx, double cy,
                             double cz, double ax2, double ay2, double az2, double bx2, double by2, double bz2,
                             double cx2, double cy2, double cz2, matrixRec&);
  // Eye O, looked-at point C, and a point V straight above the line of sight.
  static void MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, double xv,
                                double yv, double zv, matrixRec&);
  static void MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, double yaw,
                                matrixRec&);
  // The picture kept upright.
  static void MatrixForObserver(double x0, double y0, double z0, double xc, double yc, double zc, matrixRec&);
  // A positive pitch looks down.
  static void MatrixForObserver(double x0, double y0, double z0, double bearing, double pitch, matrixRec&);

  // True when the point lies beyond the image plane (depth > focal length, or depth not a number).
  // Points at the camera (|depth| < 0.0001) give image coordinates of +-2147483647.
  static bool Perspective(double& imagex, double& imagey, double x, double y, double z, double focallength,
                          const matrixRec&);
  // The global point at height z seen at an image point; a ray parallel to that height leaves
  // x and y alone.
  static void ReversePerspective(double imagex, double imagey, double& x, double& y, double z, double focallength,
                                 double x0, double y0, double z0, const matrixRec& reversematrix);
  static void PerspectiveVector(double imagex, double imagey, double& A, double& B, double& C, double focallength,
                                double x0, double y0, double z0, const matrixRec& reversematrix);

  [[nodiscard]] double xc() const { return fxc; }
  [[nodiscard]] double yc() const { return fyc; }

 private:
  double fxc = 0, fyc = 0;
};
