// r_Geom: the line manager (crossings, distances, measurement, point in polygon, line editing,
// ring topology), the box that relates lines to an extent (Tbox), the smooth curve through a
// polyline (Tsinuous), segment and polyline intersection (TlinesIntersect, TpolyIntersect), the
// loop and polygon cutters (TCutLoop, TCutPoly), the clipper (Tclipper) and a polygon prepared for
// many point tests (TpreparedPolygon).
// World coordinates, y up; tolerance is the shared trig->equality; a cut position along a line is
// the segment index plus the fraction along that segment. Lines and rings are the caller's arrays.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ThitList.h"
#include "core/Ttrig.h"
#include "core/Tutil.h"
#include "core/r_base.h"

// Orientation codes, line-end flags, overlap classes and clipper results.
constexpr int32_t c_clock = 1;
constexpr int32_t c_anti = 2;
constexpr int32_t f_startofline = 1;
constexpr int32_t f_endofline = 2;
constexpr int32_t overlap_none = 0;
constexpr int32_t overlap_ainb = 1;
constexpr int32_t overlap_cut = 2;
constexpr int32_t overlap_bina = 3;
constexpr int32_t clip_unknown = 0;
constexpr int32_t clip_inside = 1;
constexpr int32_t clip_outside = 2;
constexpr int32_t clip_cut = 3;
constexpr int32_t clip_surround = 4;
constexpr int32_t clip_invalid = 5;

class TpolyIntersect;
class Tclipper;
class Tview;
namespace geom {
class TsegmentTree;
}

// A polygon prepared for many point tests: an index of each ring's edges is built once, and a test
// then looks only at the edges beside the point. Answers exactly as the line manager's inLoop and
// inPolygon do on the same rings. The rings are borrowed: keep them alive and unchanged while it
// is used, and prepare again after they change.
class TpreparedPolygon {
 public:
  TpreparedPolygon();
  explicit TpreparedPolygon(const TpolyXyValues& xy);
  ~TpreparedPolygon();
  TpreparedPolygon(TpreparedPolygon&&) noexcept;
  TpreparedPolygon& operator=(TpreparedPolygon&&) noexcept;

  void prepare(const TpolyXyValues& xy);
  // One ring alone, as ring 0.
  void prepare(const Txyvalues& ring);
  [[nodiscard]] int32_t rings() const;
  // Strictly inside the ring; a point on its boundary is not inside; false for a ring not there.
  [[nodiscard]] bool inLoop(double x, double y, int32_t ring = 0) const;
  // Inside ring 0 and inside none of the later rings.
  [[nodiscard]] bool inPolygon(double x, double y) const;

 private:
  std::vector<geom::TsegmentTree> trees;
};

// A smooth curve through every vertex of a polyline: one cubic Bezier piece per segment, its
// parameter running 0..1 in proportion to the pieces' lengths. A curve of fewer than two vertices
// or of no length answers its first vertex ((0, 0) when it has none) and the direction 0.
class Tsinuous {
 public:
  void setXY(const Txyvalues& value);
  void setXYi(const Tpoints& value);
  [[nodiscard]] const Txyvalues& xy() const { return fxy; }
  [[nodiscard]] double totalLength() const { return total; }

  // Point at curve fraction u (clamped to 0..1, NaN as 0); sets localU and controlIndex.
  void getXY(double& x, double& y, double u);
  // Point at parameter localU of piece controlIndex; a piece that does not exist gives the
  // first vertex.
  void getXY(double& x, double& y, double localU, int32_t controlIndex) const;
  // Direction at u, radians from +x turning towards -y.
  [[nodiscard]] double getDirection(double u);
  // Samples the whole curve at no more than maxstep apart; a step that is not positive, or
  // would take over a million points, gives the two ends.
  void GetXY(Txyvalues& curve, double maxstep);
  static void GetBezier(double& x, double& y, double control, double x0, double y0, double x1, double y1, double x2,
                        double y2, double x3, double y3);
  [[nodiscard]] static double getBezierLength(double x0, double y0, double x1, double y1, double x2, double y2,
                                              double x3, double y3);

  Txyvalues fxy;
  double total = 0;
  bool isClosed = false;
  Tdlist lengths;
  Txyvalues a;  // control polygon: vertex i at 3i, piece i's inner points at 3i+1, 3i+2
  double endchange = -1;
  double localU = 0;
  int32_t controlIndex = 0;
  Tdlist control;  // fraction of total at each vertex

 private:
  [[nodiscard]] bool hasPieces() const;
  void firstVertex(double& x, double& y) const;
};

namespace platform {
class TCanvas;
}
class Tview;

class TlineMan : public TqyObject {
 public:
  TlineMan();
  ~TlineMan() override;
  [[nodiscard]] const char* unitName() const override { return "r_Geom"; }

  [[nodiscard]] double xc() const { return fxc; }
  [[nodiscard]] double yc() const { return fyc; }
  [[nodiscard]] double vc() const { return fvc; }
  [[nodiscard]] Thitrec& hit() { return *fhit; }

  // --- Crossings. Segment 1 is the query segment; u1 runs along it, u2 along segment 2. ---
  // Status bits: 1 parallel apart, 2 collinear, 4/8 segment 2's first/second point inside
  // segment 1, 16/32 segment 1's first/second point inside segment 2, 64/128 crossing strictly
  // inside segment 1/2, 256/512/1024/2048 a shared end (p1=p3, p1=p4, p2=p3, p2=p4), which is
  // not a crossing.
  bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                  int32_t& status);
  bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  bool linesCross(const xyrec& p1, const xyrec& p2, const xyrec& p3, const xyrec& p4);
  bool linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy);
  // Segments starting at points first .. last-1; stops at the first crossing.
  bool linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t first, int32_t last);
  // Keeps the crossing nearest to (x1, y1).
  bool linescross(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t first, int32_t last,
                  bool wantClosest);
  // Every crossing, as ascending parameters along the query segment.
  bool linesCross(double x1, double y1, double x2, double y2, const Txyvalues& xy, Tdlist& u);
  bool linesCross(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, Tdlist& u);
  bool linescross(const Txyvalues& a, const Txyvalues& b);
  // Every crossing as cut positions along a (ca) and b (cb), ascending, without duplicates.
  bool linescross(const Txyvalues& a, const Txyvalues& b, Tdlist& ca, Tdlist& cb);
  // Point at cut position u, clamped to the line; an empty line leaves x, y alone.
  void getCut(const Txyvalues& xy, double u, double& x, double& y) const;

  // --- Distances and on-line tests. ---
  double DistanceToInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                double& xc, double& yc, bool& rightofline) const;
  double DistanceToInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double& u,
                                double& xc, double& yc) const;
  double DistanceToInfiniteLine(double x, double y, double z, double x1, double y1, double z1, double x2, double y2,
                                double z2, double& u, double& xc, double& yc, double& zc) const;
  double DistanceTo(double x, double y, double x1, double y1, double x2, double y2, double& u, double& xc,
                    double& yc) const;
  // Core search: d in is the limit, out the nearest distance found (strictly below the limit).
  bool DistanceLessThan(double x, double y, const Txyvalues& xy, double& u, double& xc, double& yc,
                        double& d) const;
  double DistanceTo(double x, double y, const Txyvalues& xy, double& u, double& xc, double& yc) const;
  double DistanceTo(double x, double y, const Txyvalues& xy) const;
  bool DistanceLessThan(double x, double y, const TpolyXyValues& xy, int32_t& loop, double& u, double& xc,
                        double& yc, double& d) const;
  double DistanceTo(double x, double y, const TpolyXyValues& xy, int32_t& loopIndex, double& u, double& xc,
                    double& yc) const;
  double DistanceTo(double x, double y, const TpolyXyValues& xy) const;
  bool DistanceLessThan(double x, double y, const Txyvalues& xy, double d) const;
  bool DistanceLessThan(double x, double y, const TpolyXyValues& xy, double d) const;
  // Line to line; lines that cross are at distance 0, the crossing being both closest points.
  bool DistanceLessThan(const Txyvalues& a, const Txyvalues& b, double& ua, double& xa, double& ya, double& ub,
                        double& xb, double& yb, double& d);
  double DistanceTo(const Txyvalues& a, const Txyvalues& b, double& ua, double& xa, double& ya, double& ub,
                    double& xb, double& yb);
  bool DistanceLessThan(const Txyvalues& a, const Txyvalues& b, double d);
  bool DistanceLessThan(const Txyvalues& a, const TpolyXyValues& b, double d);
  bool DistanceLessThan(const TpolyXyValues& a, const TpolyXyValues& b, int32_t& loopa, double& ua, double& xa,
                        double& ya, int32_t& loopb, double& ub, double& xb, double& yb, double& d);
  // The smallest distance over every ring pair.
  double DistanceTo(const TpolyXyValues& a, const TpolyXyValues& b, int32_t& loopa, double& ua, double& xa,
                    double& ya, int32_t& loopb, double& ub, double& xb, double& yb);

  bool PointOnLine(double x, double y, double x1, double y1, double x2, double y2, double snap, double& u);
  bool PointOnLine(double x, double y, double x1, double y1, double x2, double y2, double& u);
  bool PointOnInfiniteLine(double x, double y, double x1, double y1, double x2, double y2, double snap, double& u);
  bool PointOnLine(double x, double y, double snap, const Txyvalues& xy, int32_t& vertex, double& u,
                   bool findfirst);
  bool PointOnLine(double x, double y, double snap, const Txyvalues& xy, int32_t& vertex, double& u);
  bool PointOnLine(double x, double y, double snap, const Txyvalues& xy);
  bool PointOnLine(double x, double y, const Txyvalues& xy, int32_t& vertex, double& u);
  bool PointOnLine(double x, double y, double snap, const TpolyXyValues& xy, int32_t& loop, int32_t& vertex,
                   double& u);
  bool PointOnLine(double x, double y, double snap, const TpolyXyValues& xy);
  // Every hit as (vertex, u, distance); closest indexes the nearest. With snaptocorners a hit moves
  // to a vertex only when that vertex is itself within snap.
  bool PointOnLine(double x, double y, double snap, const Txyvalues& xy, Txyzvalues& vud, int32_t& closest);
  bool PointOnVertex(double x, double y, double& snap, const Txyvalues& xy, int32_t& vertex) const;
  // Inserts (x, y) into the ring segment it lies on, changing the caller's ring.
  bool insertVertex(double x, double y, double snap, TpolyXyValues& xy);

  // --- Measurement. Area: clockwise positive with y up, no closing edge added. ---
  [[nodiscard]] double linelength(const Txyvalues& xy) const;
  [[nodiscard]] double linelength(const Tpoints& xy) const;
  [[nodiscard]] double linelength(const TpolyXyValues& xy) const;
  [[nodiscard]] double linelength(const Txyvalues& xy, double vertex) const;
  [[nodiscard]] double linelength(const Txyvalues& xy, double startU, double endU) const;
  double area(const Txyvalues& xy);
  double area(const Tpoints& xy);
  double area(const TpolyXyValues& xy);
  double area(const Txyvalues& xy, double lastx, double lasty);
  void bounds(double& x1, double& y1, double& x2, double& y2, const Txyvalues& xy) const;
  void bounds(double& x1, double& y1, double& x2, double& y2, const TpolyXyValues& xy) const;
  void bounds(double& x1, double& y1, double& x2, double& y2, const TpolyPolyXYvalues& xy) const;
  void bounds(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const Tpoints& xy) const;
  bool seedPoint(double& x, double& y, const Txyvalues& xy);
  bool seedPoint(double& x, double& y, const TpolyXyValues& xy);
  bool seedPoint(double& x, double& y, const TpolyXyValues& xy, bool irregular);
  bool seedPointForY(double& x, double y, double x1, double x2, const TpolyXyValues& xy, bool irregular);
  // Returns |area|; a ring of no area gives the mean of its points. Summed about the first
  // vertex, so small rings far from the origin keep their digits.
  double Centroid(const Txyvalues& xy, double& x, double& y);
  double Centroid(const TpolyXyValues& xy, double& x, double& y);
  double psuedoWidth(double x1, double y1, double x2, double y2, const Txyvalues& loop);
  double psuedoWidth(const Txyvalues& loop);
  double aspectRatio(const Txyvalues& xy) const;
  void boundingCircle(const Txyvalues& xy, double& xc, double& yc, double& r) const;
  double plumpness(const Txyvalues& xy);
  // Point at percent of the length and the unit direction there; past 0 and 100 the end segments
  // are extended. Leaves the segment index in vc and the fraction in u1.
  void LinePercentPoint(double& x, double& y, double& dx, double& dy, const Txyvalues& xy, double percent);
  void LinePercentPoint(double& x, double& y, const Txyvalues& xy, double percent);
  void LinePercentPoint(double& u, const Txyvalues& xy, double percent);
  void LinePercentPoint(int32_t& x, int32_t& y, double& dx, double& dy, const Tpoints& xy, double percent);
  void LinePercentPoint(int32_t& x, int32_t& y, const Tpoints& xy, double percent);
  void lineFromEnd(int32_t& x, int32_t& y, double& dx, double& dy, const Tpoints& xy, double distance,
                   bool fromStart);
  void LineMidPoint(double& x, double& y, const Txyvalues& xy);
  void LineMidPoint(int32_t& x, int32_t& y, const Tpoints& xy);

  // --- Point in loop and polygon. ---
  // Strictly inside; a point on the boundary (a vertex included) is not inside.
  bool inLoop(double x, double y, const Txyvalues& xy) const;
  bool inLoop(int32_t x, int32_t y, const Tpoints& xy) const;
  // Inside, on an edge or on a vertex within snap; fills hit (hittype bits 1 inside, 2 edge,
  // 4 vertex, 8 point 0, 16 last point, 32 one-point object), farea and fclockwise.
  bool inOrOnLoop(double x, double y, double snap, const Txyvalues& xy);
  bool inPolygon(double x, double y, const TpolyXyValues& xy);
  bool inPolygon(double x, double y, const TpolyXyValues& xy, double minx, double miny, double maxx, double maxy);
  // The same through the prepared form, for many points in one polygon.
  bool inPolygon(double x, double y, const TpreparedPolygon& xy);
  int32_t inPolygon(double x, double y, const TpolyPolyXYvalues& xy);
  bool inOrOnPolygon(double x, double y, double snap, const TpolyXyValues& xy);
  bool inLoops(double x, double y, const TpolyXyValues& xy);
  int32_t inHole(double x, double y, const TpolyXyValues& xy) const;
  int32_t inWhichLoop(double x, double y, const TpolyXyValues& xy);
  int32_t inOrOnWhichLoop(double x, double y, double snap, const TpolyXyValues& xy);
  int32_t closestToWhichLoop(double x, double y, const TpolyXyValues& xy) const;

  // --- Hit tests of stored objects (rings, object type, the object's box; a box of minx = maxx
  // skips the box pre-test). Fill hit; lastx, lasty take the query point or the query's centre.
  // The point hit snaps to corners for its own duration and leaves snaptocorners as it was.
  bool PointHit(const Txyvalues& xy, double x, double y, double snap);
  bool PointHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy, double x,
                double y, double snap);
  bool CircleHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
                 double x, double y, double radius);
  bool BoxHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
              double x1, double y1, double x2, double y2);
  bool PolyHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
               const TpolyXyValues& poly);
  // Type 101 is not a polygon here, unlike the other hit tests.
  bool LineHit(const TpolyXyValues& xy, int32_t obtype, double minx, double miny, double maxx, double maxy,
               const Txyvalues& linexy, double snap);

  // --- Shape regularisation and text along a path. Azimuths atan2(dx, dy), radians. ---
  // A ring of 3 to 9 points with one turn above 178 degrees or two above 175.
  [[nodiscard]] bool isSliver(const Txyvalues& xy) const;
  // The length-weighted mean side azimuth, each folded by quarter turns to within pi/4 of the
  // first side's; 0 for fewer than two points.
  [[nodiscard]] double findPolyAxis(const Txyvalues& xy) const;
  // That axis, or the one across it when the outline reaches further across.
  [[nodiscard]] double findLongPolyAxis(const Txyvalues& xy) const;
  // Squares every closed ring of at least 4 finite points in place about the rings' common axis:
  // corners at right angles, runs of one direction merged, nearly straight vertices removed.
  void MakeSquare(TpolyXyValues& xy);
  // Removes, pass after pass, vertices turning by less than minangle degrees; the ends stay.
  void straighten(Txyvalues& xy, double minangle) const;
  // The outline of value (UTF-8) as the canvas's path, capitals TextHeight pixels tall: at a[0]
  // turned by rotation (radians, clockwise; the direction a[0] -> a[1] when there are two), or
  // for hJustify 1000 and up letter by letter along the smooth curve through original (world,
  // mapped by view). Justification codes: hJustify 0 centre, 1 start, 2 end, 1000 + 100 x k
  // curve with k halves of the free length before; vJustify 0 capitals centred, 100 + p
  // baseline raised p percent, 500 + p capital tops lowered p percent. maxgap is the largest
  // letter gap in percent of the text height. False, with an empty path, when there is nothing
  // to draw.
  bool GetTextPath(platform::TCanvas& canvas, const std::string& fontname, const Tpoints& a, int32_t TextHeight,
                   int32_t hJustify, int32_t vJustify, double rotation, const std::string& value, const Tview& view,
                   double maxgap, const Txyvalues& original);
  // The world box of that outline for capitals TextHeight world units tall, anchored at xy[0] or
  // along xy; false, with the box shrunk to xy[0] ((0, 0) without it), when there is no outline.
  bool GetTextBounds(const std::string& fontname, double TextHeight, int32_t hJustify, int32_t vJustify,
                     double rotation, const std::string& value, double maxgap, const Txyvalues& xy, double& x1,
                     double& y1, double& x2, double& y2);

  // --- Point equality, closed lines and stitching lines end to end. ---
  [[nodiscard]] bool equal(const xyrec& a, const xyrec& b, double snap) const;
  [[nodiscard]] bool equal(const xyrec& a, const xyrec& b) const;
  // At least 4 points, the last within snap of the first.
  [[nodiscard]] bool closed(const Txyvalues& xy, double snap) const;
  // At least 2 points, the last equal to the first.
  [[nodiscard]] bool closed(const Txyvalues& xy) const;
  // Joins lines whose ends meet (within snap, strictly); a line whose ends meet is closed. An end
  // with two partners or more is a junction and is not joined.
  void StitchLines(TpolyXyValues& lines);
  void StitchLines(TpolyXyValues& lines, double snap);
  // Ends lying on the box's edges (within snap) are not joined.
  void StitchLines(TpolyXyValues& lines, double minx, double miny, double maxx, double maxy, double snap);
  // Only ends on the vertical line x (the horizontal line y) are joined.
  void StitchLinesOnXedge(TpolyXyValues& lines, double x, double snap);
  void StitchLinesOnYedge(TpolyXyValues& lines, double y, double snap);

  // --- Line editing. Positions outside a line are held to it; an array the caller passes by
  // reference may change, as each operation says.
  // The line turns by more than a right angle at some vertex.
  [[nodiscard]] bool acute(const Txyvalues& xy) const;
  // Closes a line of three or more points: its last point set to the first, or the first appended.
  void closeLoop(Txyvalues& xy) const;
  void shorten(Txyvalues& xy, int32_t shortenby) const;
  // The line starts at position vertex + u.
  void shorten(Txyvalues& xy, int32_t vertex, double u) const;
  // a keeps points 0..vertex, b gets vertex..end; b is emptied when vertex is beyond a.
  void splitChain(Txyvalues& a, Txyvalues& b, int32_t vertex) const;
  // Split at position vertex + u: a ends and b starts at the cut point. False, nothing changed, when
  // the position is not inside the line.
  bool splitChain(Txyvalues& a, Txyvalues& b, int32_t vertex, double u) const;
  // Pieces at ascending cut positions; the caller's positions are rescaled as each split shortens
  // the line (the xyu form takes positions from z and the exact cut points from x, y).
  bool splitchain(const Txyvalues& a, TpolyXyValues& b, Tdlist& u) const;
  bool splitchain(const Txyvalues& a, TpolyXyValues& b, Txyzvalues& xyu) const;
  // a becomes b (reversed in place first when asked) followed by a; exact repeats are dropped.
  void prePend(Txyvalues& a, Txyvalues& b, bool reverse) const;
  void truncate(Txyvalues& xy, double u) const;
  void truncate(Txyvalues& xy, int32_t vertex, double u) const;
  // Keeps the stretch between two positions.
  void truncate(Txyvalues& xy, int32_t vertex1, double u1, int32_t vertex2, double u2) const;
  // xy becomes the stretch of source between two positions; false when they are equal.
  bool extract(Txyvalues& xy, const Txyvalues& source, int32_t vertex1, double u1, int32_t vertex2,
               double u2) const;
  bool extract(Txyvalues& xy, const Txyvalues& source, double u1, double u2) const;
  void shift(TpolyXyValues& xy, double dx, double dy) const;
  void stretch(TpolyXyValues& xy, double x0, double y0, double fx, double fy) const;
  // Scales along axes turned by rotation degrees.
  void stretch(TpolyXyValues& xy, double x0, double y0, double fx, double fy, double rotation) const;
  // A positive angle turns clockwise with y up.
  void rotate(TpolyXyValues& xy, double x0, double y0, double radians) const;
  // Runs of consecutive points within snap collapse into one.
  void eliminateDuplicates(Txyvalues& xy, double snap) const;
  void eliminateDuplicates(Txyvalues& xy) const;
  // n + 1 equally spaced points, n the nearest whole number to length / maxgap (at least
  // minsteps); false, unchanged, without a length or beyond kMaxNewPoints.
  bool resample(Txyvalues& xy, double maxgap, int32_t minsteps) const;
  void resample(Txyvalues& xy, double maxgap) const;
  void resample(Tpoints& xy, double maxgap) const;
  // Points added into segments longer than maxgap, every old point kept; false, unchanged, when
  // that would add more than kMaxNewPoints.
  bool resampleWithoutloss(Txyvalues& xy, double maxgap) const;
  // Segments shorter than minlength merged into a neighbour; the end points stay.
  bool removeShortSegments(Txyvalues& xy, double minlength) const;
  // Out-and-back spikes removed; the line's ends are neighbours.
  void eliminateSpikes(Txyvalues& xy) const;
  // Vertices whose angle is below minangle removed.
  void eliminateSpikes(Txyvalues& xy, double minangle) const;
  static constexpr int32_t kMaxNewPoints = 1'000'000;

  // --- Polygon topology. Outer rings run clockwise (area 0 or more), holes anticlockwise.
  // Two non-adjacent segments cross (a ring's closing point is no crossing).
  bool selfCuts(const Txyvalues& xy);
  // The chord from point vertex1 to point vertex2 crosses the line outside the stretch it spans.
  bool selfCuts(const Txyvalues& xy, int32_t vertex1, int32_t vertex2);
  // The same on ring loop, then its segment at vertex1 against the other rings.
  bool selfCuts(const TpolyXyValues& xy, int32_t loop, int32_t vertex1, int32_t vertex2);
  // The cut positions of every self-crossing, ascending; the line's ends are left out.
  bool selfcuts(const Txyvalues& xy, Tdlist& u);
  // Any ring crosses itself or another ring.
  bool selfCuts(const TpolyXyValues& xy);
  // Per ring, where it crosses other rings.
  bool selfcuts(const TpolyXyValues& xy, TpolyDlist& u);
  // Inserts the points at the ascending positions u; u is rescaled as the line gains vertices.
  void applySelfCuts(Txyvalues& xy, Tdlist& u);
  // Walks the line and splits off a closed loop at each place it meets its path so far; pxy[0]
  // is what is left of the path.
  bool splitIntoLoops(const Txyvalues& xy, TpolyXyValues& pxy);
  void CheckClockwise(TpolyXyValues& xy);
  // The largest ring first, then as CheckClockwise.
  void CheckClockwiseAndOrder(TpolyXyValues& xy);
  // Closes the rings, drops those of no area, orients them by nesting (odd depth a hole) and
  // orders them: each outer ring, largest first, followed by its holes.
  void CheckPolygon(TpolyXyValues& xy);
  // Groups rings into polygons by nesting, judged by a point strictly inside each ring; closes the
  // caller's rings. Without saveInnerIslands a ring inside another that holds nothing is only its
  // parent's hole. parents gets each ring's holder (-1 for none).
  void ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands, TiList& parents);
  void ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys, bool saveInnerIslands);
  void ParentPolys(TpolyXyValues& xy, TpolyPolyXYvalues& polys);
  // Every coordinate cut towards zero to a multiple of snap in its fractional part.
  void snapOrdinates(TpolyXyValues& xy, double snap) const;
  // Cuts the closed boundary edge by the chains into polygons: an open chain cuts the piece that
  // holds its first segment's midpoint, a closed chain is added whole; every piece becomes a
  // polygon with the pieces directly inside it as holes.
  void MakeManifold(const Txyvalues& edge, const TpolyXyValues& chains, TpolyPolyXYvalues& results);
  void MakeManifold(double x1, double y1, double x2, double y2, const TpolyXyValues& chains,
                    TpolyPolyXYvalues& results);
  // The boundary an ellipse of ellipseSteps segments, from its top clockwise.
  void MakeManifold(double centrex, double centreY, double xRadius, double yRadius, int32_t ellipseSteps,
                    const TpolyXyValues& chains, TpolyPolyXYvalues& results);
  // Cuts a polygon by the chains with the polygon cutter; a closed chain becomes a hole of the
  // polygon holding it and a polygon of its own.
  void MakeManifold(const TpolyXyValues& poly, const TpolyXyValues& chains, TpolyPolyXYvalues& results);

  // --- Overlap, adjacency and joining. Neighbouring rings share edges run in opposite directions.
  int32_t Overlap(const Txyvalues& a, const Txyvalues& b);
  int32_t Overlap(const Txyvalues& a, const TpolyXyValues& b);
  int32_t Overlap(const TpolyXyValues& a, const TpolyXyValues& b);
  [[nodiscard]] bool identical(const Txyvalues& a, const Txyvalues& b) const;
  [[nodiscard]] bool identical(const TpolyXyValues& a, const TpolyXyValues& b) const;
  // Snaps the matching points of the caller's ring.
  bool SelfAdjacent(Txyvalues& xy, TiList& links) const;
  bool SelfAdjacent(TpolyXyValues& xy, TpolyIlist& links) const;
  bool Adjacent(const Txyvalues& a, const Txyvalues& b) const;
  bool Adjacent(const Txyvalues& a, const Txyvalues& b, TiList& linksA, TiList& linksB, bool checkBounds) const;
  bool Adjacent(const TpolyXyValues& a, const TpolyXyValues& b, Tpoints& linksA, Tpoints& linksB,
                bool checkBounds) const;
  bool Adjacent(const TpolyXyValues& a, const TpolyXyValues& b) const;
  bool Join(Txyvalues& a, const Txyvalues& b, bool checkbounds);
  // On success b's rings are emptied (it keeps its ring count).
  bool Join(TpolyXyValues& a, TpolyXyValues& b, bool checkbounds, bool allowseparated);
  bool SelfJoin(Txyvalues& a, TpolyXyValues& xy);
  void SelfJoin(const Txyvalues& a, TpolyXyValues& xy, const TiList& list);
  bool SelfJoin(const TpolyXyValues& a, TpolyXyValues& xy);

  double fxc = 0, fyc = 0, fvc = 0;
  double farea = 0;
  std::unique_ptr<Thitrec> fhit;
  double lastx = 0, lasty = 0;
  bool fclockwise = false;
  bool debug = false;
  TStringList* debugList = nullptr;  // the caller's; never made or used here
  std::unique_ptr<Tsinuous> curve;
  std::unique_ptr<TpolyIntersect> polyIntersect;  // the polyline intersector the hit tests use
  bool assumeBounds = false;
  double u1 = 0, u2 = 0;
  int32_t crossstatus = 0;
  bool snaptocorners = false;

 private:
  // Stitching: option 0 any ends, 1 none on the box's edges, 2 only on x = minx, 3 only on
  // y = miny.
  void doStitchLines(TpolyXyValues& lines, int32_t option, double minx, double miny, double maxx, double maxy,
                     double snap);
  // One segment pair of linescross(a, b, ca, cb).
  void addCuts(const Txyvalues& a, int32_t i, const Txyvalues& b, int32_t j, Tdlist& ca, Tdlist& cb);
  // Hit-test steps shared by the object forms.
  void beginHit(double x, double y);
  bool finishHit(bool found, const TpolyXyValues& xy, int32_t obtype);
  bool nearOrInside(const TpolyXyValues& xy, int32_t obtype, double x, double y, double snap);
};

// An axis-aligned world box and how lines and polygons meet it. Every field starts at zero; the
// caller sets the box.
class Tbox : public TqyObject {
 public:
  [[nodiscard]] const char* unitName() const override { return "r_Geom"; }

  // The segment crosses the box boundary; sets minu, maxu, isOutside.
  bool lineintersects(double x1, double y1, double x2, double y2);
  bool lineintersects(const Txyvalues& xy);
  bool lineintersects(const Txyvalues& xy, Tdlist& u);
  // Crossings with the boundary, or with the inscribed ellipse of ellipseSteps segments.
  bool lineintersects(const Txyvalues& xy, Tdlist& u, int32_t ellipseSteps);
  // An outside point; cutX, cutY where its line to the centre enters the box.
  bool radialIntersects(double x1, double y1, double& cutX, double& cutY);
  bool PolygonIntersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, bool isLine);
  bool PolygonIntersects(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, bool isLine);
  bool PolygonIntersects(const TpolyXyValues& xy, bool isLine);
  // Coarse clip to the box; (x1, y1)-(x2, y2) is the polygon's own box. True when it was clipped.
  bool clipPolygon(TpolyXyValues& xy, double x1, double y1, double x2, double y2);

  double minx = 0, miny = 0, maxx = 0, maxy = 0;
  double snap = 0;
  double minu = 0, maxu = 0;
  Txyvalues cutXY;
  Tdlist cutU;
  bool cutfound = false;
  bool isOutside = false;
  bool minfound = false, maxfound = false;

 private:
  // Exact segment test, both ends inclusive, no tolerance.
  static bool linesCross(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                         double& u1, double& u2);
  [[nodiscard]] bool contains(double x, double y) const { return minx <= x && x <= maxx && miny <= y && y <= maxy; }
};

// How two segments meet, within a snap: A runs from point 1 to point 2, B from point 3 to point 4.
// Set the eight coordinates, then ask; the answers stay until the next question.
class TlinesIntersect {
 public:
  [[nodiscard]] double x0() const { return fx0; }
  [[nodiscard]] double y0() const { return fy0; }
  [[nodiscard]] double x1() const { return fx1; }
  [[nodiscard]] double y1() const { return fy1; }
  [[nodiscard]] double x2() const { return fx2; }
  [[nodiscard]] double y2() const { return fy2; }
  [[nodiscard]] double x3() const { return fx3; }
  [[nodiscard]] double y3() const { return fy3; }
  [[nodiscard]] double x4() const { return fx4; }
  [[nodiscard]] double y4() const { return fy4; }
  void setx1(double v) { fx1 = tidy(v); fangleA = -99; }
  void sety1(double v) { fy1 = tidy(v); fangleA = -99; }
  void setx2(double v) { fx2 = tidy(v); fangleA = -99; }
  void sety2(double v) { fy2 = tidy(v); fangleA = -99; }
  void setx3(double v) { fx3 = tidy(v); fAngleB = -99; }
  void sety3(double v) { fy3 = tidy(v); fAngleB = -99; }
  void setx4(double v) { fx4 = tidy(v); fAngleB = -99; }
  void sety4(double v) { fy4 = tidy(v); fAngleB = -99; }
  // Both ends of a segment at once.
  void setA(double x1, double y1, double x2, double y2) { setx1(x1); sety1(y1); setx2(x2); sety2(y2); }
  void setB(double x3, double y3, double x4, double y4) { setx3(x3); sety3(y3); setx4(x4); sety4(y4); }
  [[nodiscard]] double U1() const { return ua; }
  [[nodiscard]] double U2() const { return ub; }
  [[nodiscard]] double angle1() { return getAngleA(); }
  [[nodiscard]] double angle2() { return getAngleB(); }
  [[nodiscard]] bool overlaps() const { return fOverLap; }
  [[nodiscard]] bool inSameLine() const { return fInSameLine; }
  [[nodiscard]] bool congruent() const { return fcongruent; }
  [[nodiscard]] bool endtoend() const { return fendtoend; }

  // A crossing, a touch at an end (end1..end4), or the same segment forwards or backwards. The
  // snap decides whether they meet; a crossing stays where the lines cross and is put on an end
  // only within trig's equality in world units.
  bool intersects();
  // u1a, u1b: B's ends along A; u2a, u2b: A's ends along B; from the last collinear intersects.
  void getOverlap(double& u1a, double& u1b, double& u2a, double& u2b) const;
  // An end of either segment lies on the other (closer than 1e-7).
  bool TeeJunction() const;
  // Shortest distance; segments that cross are at 0 with the crossing as both closest points.
  double Distance();
  // Bearing from +y towards +x, cached until the segment moves.
  double getAngleA();
  double getAngleB();

  bool end1 = false, end2 = false, end3 = false, end4 = false;
  double snap = 1e-4;
  double closestXa = 0, closestYa = 0, closestXb = 0, closestYb = 0;

 private:
  static double tidy(double v) { return v; }
  void setClosest(double xa, double ya, double xb, double yb);

  double fx0 = 0, fy0 = 0;
  double fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0;
  double fx3 = 0, fy3 = 0, fx4 = 0, fy4 = 0;
  double ua = 0, ub = 0;
  double u3 = 0, u4 = 0;
  double fangleA = -99, fAngleB = -99;
  bool fcongruent = false, fendtoend = false, fOverLap = false, fInSameLine = false;
};

// Where a cutting segment or line A meets target lines or rings B, as pairs of cut positions;
// on them: cut points inserted as vertices, lines broken at the cuts, two sets of lines noded
// against each other or one set among itself, and the self-crossings of a line.
class TpolyIntersect {
 public:
  // The line manager whose editing operations and debug switch it uses; nullptr: the shared one.
  explicit TpolyIntersect(TlineMan* owner = nullptr);

  // The segment against line xy; excludeends ignores meetings at xy's first or last point.
  bool intersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, bool excludeends);
  bool intersects(double x1, double y1, double x2, double y2, const Txyvalues& xy);
  // Segment index of xy against its own segments, its neighbours excluded.
  bool intersects(int32_t index, const Txyvalues& xy);
  // The segment against every ring.
  bool intersects(double x1, double y1, double x2, double y2, const TpolyXyValues& xy);
  // Every segment of a against every ring; a touch at an end counts.
  bool intersects(const Txyvalues& a, const TpolyXyValues& xy);
  bool intersects(const Txyvalues& a, const Txyvalues& b);
  // Inserts the recorded cut points into a and b as vertices (into b alone).
  void insertresults(Txyvalues& a, Txyvalues& b);
  void insertresults(Txyvalues& b);
  // The point of b at cutB[index]; x, y unchanged for an index outside cutB.
  void getCut(const Txyvalues& b, int32_t index, double& x, double& y) const;
  // Splits a at the positions along A (b at those along B) into xy; xy untouched without results.
  void breakLine(const Txyvalues& a, TpolyXyValues& xy);
  void breakLineB(const Txyvalues& b, TpolyXyValues& xy);
  // Nodes two sets of lines against each other: xy gets A's pieces then B's, when any met.
  bool polysIntersect(const TpolyXyValues& linesA, const TpolyXyValues& linesB, TpolyXyValues& xy);
  // Nodes a set of lines among themselves in place; with breakApart every line is broken at the
  // nodes.
  void spaghetti(TpolyXyValues& xy, bool breakApart);
  // Splits a line at its self-crossings into lines, or only finds them (results, resultsXY).
  bool selfCuts(const Txyvalues& xy, TpolyXyValues& lines);
  bool selfCuts(const Txyvalues& xy);

  struct linkrec {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  };
  TlinesIntersect li;
  bool excludeends = false;  // only meetings strictly inside both segments count
  std::vector<linkrec> overlaps;
  Tdlist cutB;           // positions along B of every meeting, ascending, repeats kept
  Txyvalues resultsXY;   // the meeting points, in the order of results
  Txyzvalues results;    // (position along A, along B, target ring), ascending in x

 private:
  // Segment `vertex` of the cutting line against ring `loop`; excludeVertex >= 0 leaves out that
  // segment of xy and its neighbours, excludeVertex = length(xy) the meetings at xy's ends.
  // targets, when given, are the only segments of xy that can meet it, ascending.
  void dointersects(double x1, double y1, double x2, double y2, const Txyvalues& xy, int32_t vertex, int32_t loop,
                    int32_t excludeVertex, const TiList* targets = nullptr);
  bool lineAgainstRings(const Txyvalues& a, const TpolyXyValues& xy);
  bool doselfCuts(const Txyvalues& xy, TpolyXyValues& lines, bool breakLine);
  void clearResults();
  TlineMan& lm() const;

  TlineMan* owner = nullptr;
  bool keepResults = false;
  std::string err;
};

// Cuts a ring in two along a line whose ends lie on it (the line's inner points are taken to lie
// inside). Works with the shared line manager.
class TCutLoop {
 public:
  // True when both ends of xy lie on loop (and are not the same point): left and right then hold
  // the pieces, each a closed ring. Otherwise nothing changes.
  bool cut(const Txyvalues& loop, const Txyvalues& xy);
  // The pieces from the ends already located in v1, u1, v2, u2.
  bool apply(const Txyvalues& loop, const Txyvalues& xy);
  [[nodiscard]] const Txyvalues& left() const { return a; }
  [[nodiscard]] const Txyvalues& right() const { return b; }

  Txyvalues a, b;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the cut line's ends
  double u1 = 0, u2 = 0;                  // where they lie: fraction along segment v1, v2
  int32_t v1 = 0, v2 = 0;
};

// Cuts a polygon along a line whose ends lie on its rings: one ring is split in two, or two rings
// (the outer ring and a hole, or two holes) are joined along the line; the rings are then
// regrouped into polygons in results. The rings the ends lie on change in place (turned to start
// at the end, or joined); nothing changes when the cut fails.
class TCutPoly {
 public:
  bool cut(TpolyXyValues& poly, const Txyvalues& xy);

  TCutLoop cl;
  TpolyPolyXYvalues results;
};

// Clips a drawing object (o_point, o_line, o_polyGon; type 20 as a point where loops clip) to a
// box, the view, a loop or a polygon, and cuts polygons and lines by a cutter. Topological: the
// object's lines are split where they cross the region's boundary, the pieces inside kept, and for
// polygons the boundary cut by them into polygons (MakeManifold), those inside the object kept.
// Answers clip_unknown .. clip_invalid; the pieces or polygons are left in results.
class Tclipper {
 public:
  // To the view's visible area grown by marginPx pixels; minx > maxx: the object's box computed.
  int32_t clip(const Tview& view, const TpolyXyValues& xy, double minx, double miny, double maxx, double maxy,
               int32_t obType, int32_t marginPx);
  int32_t clip(const Tview& view, const TpolyXyValues& xy, int32_t obType, int32_t marginPx);
  int32_t clip(const Tview& view, const TpolyXyValues& xy, int32_t obType);
  // minx .. maxy: the object's box.
  int32_t clipToBox(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, double minx, double miny,
                    double maxx, double maxy, int32_t obType);
  int32_t clipToBox(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, int32_t obType);
  int32_t clipToLoop(const Txyvalues& loop, const TpolyXyValues& xy, int32_t obType);
  int32_t clipToPolygon(const TpolyXyValues& poly, const TpolyXyValues& xy, int32_t obType);
  // clip_cut with the pieces (a closed cutter starting inside cuts as one chain through its
  // start); clip_surround for a closed cutter inside (poly with it as a hole, and the cutter
  // alone); clip_invalid for an open cutter inside.
  int32_t cutPolygon(const TpolyXyValues& poly, const Txyvalues& cutter);
  // Every piece kept; (x1, y1)-(x2, y2) the line's box.
  int32_t cutLine(const Txyvalues& line, const Txyvalues& cutter);
  int32_t cutLine(double x1, double y1, double x2, double y2, const Txyvalues& line, const Txyvalues& cutter);
  // Where the object's lines cross the cutter, as ascending positions per line; (x1, y1)-(x2, y2)
  // is the cutter's box and (x3, y3)-(x4, y4) the object's, computed where not given. A touch
  // within the snap whose point is off the cutter by more than trig's equality is no cut.
  bool findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                const TpolyXyValues& xy, const TpolyXyValues& cutter, TpolyDlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                const TpolyXyValues& xy, const Txyvalues& cutter, TpolyDlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                const Txyvalues& xy, const TpolyXyValues& cutter, Tdlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                const Txyvalues& xy, const Txyvalues& cutter, Tdlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, const TpolyXyValues& cutter,
                TpolyDlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, const TpolyXyValues& xy, const Txyvalues& cutter,
                TpolyDlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, const Txyvalues& xy, const TpolyXyValues& cutter,
                Tdlist& u);
  bool findCuts(double x1, double y1, double x2, double y2, const Txyvalues& xy, const Txyvalues& cutter, Tdlist& u);
  bool findCuts(const TpolyXyValues& xy, const TpolyXyValues& cutter, TpolyDlist& u);
  bool findCuts(const TpolyXyValues& xy, const Txyvalues& cutter, TpolyDlist& u);
  bool findCuts(const Txyvalues& xy, const TpolyXyValues& cutter, Tdlist& u);
  bool findCuts(const Txyvalues& xy, const Txyvalues& cutter, Tdlist& u);

  TpolyPolyXYvalues results;

 private:
  int32_t doclipToBox(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                      const TpolyXyValues& xy, int32_t obType);
  int32_t doclipToLoop(const Txyvalues& loop, double x1, double y1, double x2, double y2, double x3, double y3,
                       double x4, double y4, const TpolyXyValues& xy, int32_t obType);
  int32_t clipPolygonToLoop(const Txyvalues& loop, double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, const TpolyXyValues& xy);
  // The polygon-clip step of clipToPolygon: the object's kept pieces into kept.
  int32_t clipLinesToPolygon(const TpolyXyValues& poly, const TpolyXyValues& xy, bool isPolygon,
                             TpolyXyValues& kept);

  bool outside = false;
  TlinesIntersect li;
  TpolyXyValues chains;
};

// The shared clipper, made by the first line manager; freed with the shared line manager.
extern Tclipper* clipper;

// The shared line manager: made on first use by createLineman, freed at exit or by freeLineman
// (with the shared clipper).
extern TlineMan* lineman;
TlineMan& createLineman();
void freeLineman();
