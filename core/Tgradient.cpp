// Tgradient: corner records and meshes for the platform's gradient fill, with the flat fallback.
#include "core/Tgradient.h"

#include "core/os_drawing.h"

using platform::TRect;

Tgradient::Tgradient()
    : pt([](platform::TDeviceContext& dc, std::span<const platform::TTriVertex> v,
            std::span<const platform::TGradientTriangle> m) { return platform::GradientFill(dc, v, m); }),
      ptRect([](platform::TDeviceContext& dc, std::span<const platform::TTriVertex> v,
                std::span<const platform::TGradientRect> m,
                platform::GradientMode mode) { return platform::GradientFill(dc, v, m, mode); }) {}

bool Tgradient::GradientFill(platform::TDeviceContext& dc, std::span<const TTRIVERTEX> v,
                             std::span<const platform::TGradientRect> mesh, platform::GradientMode mode) {
  return ptRect && ptRect(dc, v, mesh, mode);
}

bool Tgradient::GradientFill(platform::TDeviceContext& dc, std::span<const TTRIVERTEX> v,
                             std::span<const platform::TGradientTriangle> mesh) {
  return pt && pt(dc, v, mesh);
}

void Tgradient::sc(int index, int x, int y, int32_t colour) {
  if (index < 0) return;
  if (corners.size() <= size_t(index)) corners.resize(size_t(index) + 1);
  auto ch = [colour](int shift) { return uint16_t(((colour >> shift) & 0xFF) * 256); };
  corners[size_t(index)] = {x, y, ch(0), ch(8), ch(16), 0xFF00};
}

void Tgradient::tr(int index, int a, int b, int c) {
  if (index < 0) return;
  if (tri.size() <= size_t(index)) tri.resize(size_t(index) + 1);
  tri[size_t(index)] = {uint32_t(a), uint32_t(b), uint32_t(c)};
}

void Tgradient::flatBox(platform::TCanvas& canvas, TRect const& box, int32_t a, int32_t b) {
  canvas.Brush.Color = platform::TColor(TosDrawing::FadeColour(a, b, 50));
  canvas.FillRect(box);
}

void Tgradient::gradBox(platform::TCanvas& canvas, TRect box, int32_t colourTop, int32_t colourBottom) {
  if (box.Top >= box.Bottom || !canvas.Handle()) return;
  corners.clear();
  sc(0, box.Left, box.Top, colourTop);
  sc(1, box.Right, box.Bottom, colourBottom);
  const platform::TGradientRect mesh[] = {{0, 1}};
  const bool ok = GradientFill(*canvas.Handle(), corners, mesh, platform::GradientMode::RectV);
  corners.clear();
  if (!ok) flatBox(canvas, box, colourTop, colourBottom);
}

void Tgradient::gradBoxH(platform::TCanvas& canvas, TRect box, int32_t colourLeft, int32_t colourRight) {
  if (!canvas.Handle()) return;
  corners.clear();
  sc(0, box.Left, box.Top, colourLeft);
  sc(1, box.Right, box.Bottom, colourRight);
  const platform::TGradientRect mesh[] = {{0, 1}};
  const bool ok = GradientFill(*canvas.Handle(), corners, mesh, platform::GradientMode::RectH);
  corners.clear();
  if (!ok) flatBox(canvas, box, colourLeft, colourRight);
}

void Tgradient::gradepoly(platform::TCanvas& canvas, std::span<const platform::TPoint> edge, int32_t seedx,
                          int32_t seedy, int32_t edgecolour, int32_t seedColour) {
  const int n = int(std::min<size_t>(edge.size(), 0xFFFF));  // the count is 16 bits wide
  corners.clear();
  tri.clear();
  for (int i = 0; i < n; ++i) sc(i, edge[size_t(i)].X, edge[size_t(i)].Y, edgecolour);
  sc(n, seedx, seedy, seedColour);
  for (int i = 0; i + 1 < n; ++i) tr(i, i, i + 1, n);
  if (!tri.empty() && canvas.Handle()) GradientFill(*canvas.Handle(), corners, tri);
  corners.clear();
  tri.clear();
}

void Tgradient::GradientTriangle(platform::TCanvas& canvas, int x1, int y1, int32_t c1, int x2, int y2, int32_t c2,
                                 int x3, int y3, int32_t c3) {
  corners.clear();
  tri.clear();
  sc(0, x1, y1, c1);
  sc(1, x2, y2, c2);
  sc(2, x3, y3, c3);
  sc(3, x1, y1, c1);
  tr(0, 0, 1, 2);
  if (canvas.Handle()) GradientFill(*canvas.Handle(), corners, tri);
  corners.clear();
  tri.clear();
}
