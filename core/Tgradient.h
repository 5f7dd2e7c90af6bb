// Tgradient: rectangles, fans and triangles filled with colours interpolated between corners,
// through the platform's gradient fill. Without that entry the boxes fill flat with the mid
// colour and the triangle forms draw nothing.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/canvas.h"

using TTRIVERTEX = platform::TTriVertex;

class Tgradient {
 public:
  using GradientFillEntry = bool (*)(platform::TDeviceContext&, std::span<const platform::TTriVertex>,
                                     std::span<const platform::TGradientTriangle>);
  using GradientRectEntry = bool (*)(platform::TDeviceContext&, std::span<const platform::TTriVertex>,
                                     std::span<const platform::TGradientRect>, platform::GradientMode);
  Tgradient();

  // The platform entries; null when the platform has none (tests clear them to see the fallback).
  GradientFillEntry pt = nullptr;
  GradientRectEntry ptRect = nullptr;

  // The rectangle and triangle meshes; false without the entry.
  bool GradientFill(platform::TDeviceContext&, std::span<const TTRIVERTEX>, std::span<const platform::TGradientRect>,
                    platform::GradientMode);
  bool GradientFill(platform::TDeviceContext&, std::span<const TTRIVERTEX>,
                    std::span<const platform::TGradientTriangle>);

  // corners[index] := (x, y) with the colour's channels in the high bytes and alpha $FF00.
  void sc(int index, int x, int y, int32_t colour);
  // tri[index] := the triangle of corners a, b, c.
  void tr(int index, int a, int b, int c);

  // Top to bottom over the box (nothing when Top ≥ Bottom); left to right for gradBoxH.
  void gradBox(platform::TCanvas&, platform::TRect box, int32_t colourTop, int32_t colourBottom);
  void gradBoxH(platform::TCanvas&, platform::TRect box, int32_t colourLeft, int32_t colourRight);
  // A fan from the seed over consecutive edge points (a closed outline repeats its first point).
  void gradepoly(platform::TCanvas&, std::span<const platform::TPoint> edge, int32_t seedx, int32_t seedy,
                 int32_t edgecolour, int32_t seedColour);
  void GradientTriangle(platform::TCanvas&, int x1, int y1, int32_t c1, int x2, int y2, int32_t c2, int x3, int y3,
                        int32_t c3);

  std::vector<TTRIVERTEX> corners;
  std::vector<platform::TGradientTriangle> tri;

 private:
  void flatBox(platform::TCanvas&, platform::TRect const&, int32_t a, int32_t b);
};
