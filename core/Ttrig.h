// Ttrig: angles, bearings, tolerant comparisons, boxes, triangles and point-to-segment distances.
// Angles are radians; bearings run clockwise from +y (north, y growing upward), as arcTan(dx, dy)
// gives them. Boxes are a minimum corner and a maximum corner unless a method says otherwise.
#pragma once
#include <cstdint>

#include "core/Tutil.h"
#include "platform/surface.h"

constexpr double deg2rad = 3.14159265358979323846 / 180.0;
constexpr double rad2deg = 180.0 / 3.14159265358979323846;

class Ttrig {
 public:
  Ttrig();

  // Angles.
  [[nodiscard]] double arcTan(double opposite, double adjacent) const;
  void sinCos(double angle, double& sinA, double& cosA) const;
  [[nodiscard]] long double ArcCos(long double X) const;
  [[nodiscard]] long double ArcSin(long double X) const;
  [[nodiscard]] double Tan(double angle) const;
  // Into [0, 2π] and [−π, π]; a non-finite angle comes back as NaN at once.
  [[nodiscard]] double in2pi(double value) const;
  [[nodiscard]] double inPi(double value) const;
  // Turn at point 2 on the way 1 → 2 → 3; positive turns right (clockwise).
  [[nodiscard]] double changeOfDirection(double x1, double y1, double x2, double y2, double x3, double y3) const;
  [[nodiscard]] double AngleFromKnownSides(double a, double b, double c) const;
  [[nodiscard]] double AngleBetweenLines(double x1, double y1, double x2, double y2, double x3, double y3) const;
  [[nodiscard]] double AngleBetweenLines(double x1, double y1, double z1, double x2, double y2, double z2,
                                         double x3, double y3, double z3) const;

  // Comparisons.
  [[nodiscard]] bool equal(double a, double b, double snap) const;
  [[nodiscard]] bool equal(double a, double b) const;
  [[nodiscard]] bool equal(const xyrec& a, const xyrec& b) const;
  [[nodiscard]] double greatest(double a, double b) const;
  [[nodiscard]] double greatest(double a, double b, double c) const;
  [[nodiscard]] double greatest(double a, double b, double c, double d) const;
  [[nodiscard]] double least(double a, double b) const;
  [[nodiscard]] double least(double a, double b, double c) const;
  [[nodiscard]] double least(double a, double b, double c, double d) const;
  // a and b count as equal within max(1e-12 × min(|a|, |b|), 1e-12).
  [[nodiscard]] bool greaterEqual(double a, double b) const;
  [[nodiscard]] bool lesserEqual(double a, double b) const;
  [[nodiscard]] bool greater(double a, double b) const;
  [[nodiscard]] bool lesser(double a, double b) const;
  [[nodiscard]] bool lessthan(double v, double v1, double v2) const;
  [[nodiscard]] bool lessthan(double v, double v1, double v2, double v3) const;
  [[nodiscard]] bool morethan(double v, double v1, double v2) const;
  [[nodiscard]] bool morethan(double v, double v1, double v2, double v3) const;
  void swap(double& a, double& b) const;
  void order(double& min, double& max) const;
  void order(int32_t& min, int32_t& max) const;

  // Boxes. Edges count as inside; "overlap" needs a common interior.
  [[nodiscard]] bool inBox(double x, double y, double x1, double y1, double x2, double y2) const;
  [[nodiscard]] bool BoxesIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                    double y4) const;
  [[nodiscard]] bool BoxesOverlap(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                  double y4) const;
  // When they overlap, box receives the common part; otherwise box is untouched.
  [[nodiscard]] bool BoxesOverlap(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                  double y4, boxrec& box) const;
  [[nodiscard]] bool ExtentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                      double y4) const;
  [[nodiscard]] bool ExtentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                      double y4, double snap) const;
  void triangleExtent(double x1, double y1, double x2, double y2, double x3, double y3, double& left,
                      double& bottom, double& right, double& top) const;
  // The triangle's bounding box meets the box: a box test, not an exact triangle test.
  [[nodiscard]] bool TriangleInBox(double tx1, double ty1, double tx2, double ty2, double tx3, double ty3,
                                   double x1, double y1, double x2, double y2) const;
  // Pixels: (Left, Top) is the minimum corner and (Right, Bottom) the maximum.
  [[nodiscard]] bool TriangleInBox(int32_t tx1, int32_t ty1, int32_t tx2, int32_t ty2, int32_t tx3, int32_t ty3,
                                   const platform::TRect& box) const;

  // Triangles and lines.
  [[nodiscard]] bool pointInTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3,
                                     double y3) const;
  [[nodiscard]] bool InOrOnTriangle(double x, double y, double x1, double y1, double x2, double y2, double x3,
                                    double y3) const;
  [[nodiscard]] bool rightOfLine(double x, double y, double x1, double y1, double x2, double y2,
                                 bool& onTheLine) const;
  [[nodiscard]] bool rightOfLine(double x, double y, double x1, double y1, double x2, double y2) const;
  [[nodiscard]] bool rightOrOnLine(double x, double y, double x1, double y1, double x2, double y2) const;

  // Distances.
  [[nodiscard]] double getdistance(double x1, double y1, double x2, double y2) const;
  [[nodiscard]] double getdistance(double x1, double y1, double z1, double x2, double y2, double z2) const;
  [[nodiscard]] double getdistance(double x, double y) const;
  // Point to point: true, with d lowered to the distance, when strictly closer than d.
  [[nodiscard]] bool DistanceLessThan(double x1, double y1, double x2, double y2, double& d) const;
  // Point to segment: leaves u, xc, yc in the object.
  [[nodiscard]] bool DistanceLessThan(double x, double y, double x1, double y1, double x2, double y2, double d);
  [[nodiscard]] double DistanceTo(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                  double& xc, double& yc) const;
  [[nodiscard]] double DistanceTo(double x, double y, double x1, double y1, double x2, double y2) const;
  void getCut(double x1, double y1, double x2, double y2, double u, double& x, double& y) const;
  // A neat snapping distance for an extent: its larger side / 100 000, made neat.
  [[nodiscard]] double DefaultSnap(double x1, double y1, double x2, double y2) const;

  [[nodiscard]] bool clockwise() const { return fclockwise; }

  bool fclockwise = false;
  double fxc = 0, fyc = 0, fvc = 0, farea = 0;
  double defEquality = 1e-6;
  double equality = 1e-6;
  double xc = 0, yc = 0;  // closest point of the last point-to-segment DistanceLessThan
  double u = 0;           // its foot parameter, unclamped
};

// The one trigonometry service; set by createTrig, cleared by freeTrig.
extern Ttrig* trig;
// Creates `trig` when unset (the services object and the canvas transform stack call this).
Ttrig& createTrig();
void freeTrig();
