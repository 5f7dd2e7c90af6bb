// Desktop scaling of a program drawn at 96 DPI: the desktop shows its windows larger, as it does
// for a program that does not follow the display's DPI itself. Windows, displays, input and the
// pointer are in logical pixels; the desktop's pixels are the logical ones times the scale.
// Implemented: [x] window bounds, displays, input, pointer warps and confinement scaled
//              [x] presents and thread views enlarged by pixel replication
//              [x] screen reads and window shapes of x11.h follow the scale
//              [ ] scales below 1 [ ] program cursors enlarged
#pragma once
#include <memory>

#include "platform/windows.h"

namespace platform {

// The scale a desktop gives such a program for its DPI: dpi / 96 in steps of 0.25, at least 1.
[[nodiscard]] double scaleForDpi(double dpi);
// A backend whose windows are drawn at 96 DPI and shown `scale` times larger by `inner`; inner
// itself when the scale is 1 or less.
[[nodiscard]] std::unique_ptr<TBackend> scaledBackend(std::unique_ptr<TBackend> inner, double scale);
// The scale of the scaling backend in use (1 while there is none): native windows and the screen
// are in the desktop's pixels, our rectangles in logical ones.
[[nodiscard]] double presentationScale();

}  // namespace platform
