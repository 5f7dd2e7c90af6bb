// Program fonts and tool cursors of `os`: the program's own font files are added for this process
// only (nothing is written to any font folder or list), and the tool cursors' images are found
// by tool number for the window layer, which makes the cursors.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "platform/windows.h"

class TosFonts {
 public:
  struct TprogramFont {
    char const* name;  // the face as the system's font list names it
    char const* file;
  };
  struct TtoolCursor {
    char const* resource;
    int32_t number;  // a tool_ code
  };
  [[nodiscard]] static std::span<TprogramFont const> programFonts();
  [[nodiscard]] static std::span<TtoolCursor const> toolCursorTable();

  // Adds each program font whose face is not yet known and whose file lies in the folder;
  // answers how many were added. Failures are silent: start-up goes on without the face.
  int installProgramFonts(const std::string& sourceFolder);
  // One font file for this process, when the face is not yet known and the file exists.
  bool loadFont(const std::string& name, const std::string& filename);

  // The cursor pictures are toolCursorSize pixels square and point with the pixel at
  // (toolCursorHot, toolCursorHot); the data-folder builder draws them to match.
  static constexpr int toolCursorSize = 32;
  static constexpr int toolCursorHot = 8;

  // Each tool number with its cursor image "<folder>cursors/<resource in lower case>.png";
  // an empty name where the image is missing or unreadable (that tool then keeps the default
  // cursor). The pictures are read here, once.
  void loadToolCursors(const std::string& resourceFolder);
  // The window layer's cursor for a tool (made on the desktop on first asking), or
  // Cursor::Default for a tool without a picture.
  [[nodiscard]] platform::Cursor toolCursor(int32_t number);
  std::map<int32_t, std::string> toolCursors;

 private:
  std::map<int32_t, platform::TcursorImage> ftoolCursorImages;
};
