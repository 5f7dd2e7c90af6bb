// The integer point of the canvas (pixels; also integer key/value pairs) for code below the
// canvas that keeps pixel positions. The surfaces header owns the type once it is present.
#pragma once
#if __has_include("platform/surface.h")
#include "platform/surface.h"
#else
namespace platform {
struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(TPoint const&, TPoint const&) = default;
};
}  // namespace platform
#endif
