// Program fonts and tool cursors of `os`: the program's own font files are added for this process
// only (nothing is written to any font folder or list), and the tool cursors' images are found
// by tool number for the window layer, which makes the cursors.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>

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

  // Each tool number with its cursor image "<folder>cursors/<resource in lower case>.png";
  // an empty name where the image is missing (that tool then keeps the default cursor).
  void loadToolCursors(const std::string& resourceFolder);
  std::map<int32_t, std::string> toolCursors;
};
