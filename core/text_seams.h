// Text measuring and drawing for the control base, the hint window and the message boxes, in a
// face and point size, through the canvas's text; tests may answer through the hooks instead.
#pragma once
#include <functional>
#include <string>

#include "platform/canvas.h"

namespace textSeam {
using ExtentHook = std::function<platform::TSize(std::string const& face, int points, std::string const& text)>;
using DrawHook = std::function<void(platform::TCanvas&, int x, int y, std::string const& text,
                                    std::string const& face, int points, platform::TColor)>;
extern ExtentHook extentHook;
extern DrawHook drawHook;

// Pixels the text takes (one line) at 96 DPI.
platform::TSize extent(std::string const& face, int points, std::string const& text);
// Draws the text with its top left at (x, y), transparent background.
void draw(platform::TCanvas&, int x, int y, std::string const& text, std::string const& face, int points,
          platform::TColor);
}  // namespace textSeam
