// Text routines of the services object: the field tokenizer, trimming and stripping, ids kept in
// string lists, unique names, character references, one-line forms and hex forms, tool names.
// Text is UTF-8; "character" means one code point. None of these keeps state.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TStringList.h"

// Drawing tool codes shared by the drawing and map-view code.
enum : int32_t {
  tool_none = 0, tool_pan = 1, tool_zoom = 2, tool_data = 3, tool_draw = 4, tool_rect = 5,
  tool_polygon = 6, tool_line = 7, tool_point = 8, tool_circle = 9, tool_ellipse = 10,
  tool_text = 11, tool_edit = 12, tool_anchor = 13, tool_rotate = 14, tool_tape = 15,
  tool_cutter = 16, tool_note = 17, tool_paintbrush = 18, tool_picker = 19, tool_userpan = 20,
  tool_select = 21, tool_reparent = 22, tool_insertpan = 25, tool_insertzoom = 26,
  tool_inserttape = 27, tool_startape = 28, tool_insertzoomout = 29, tool_north = 30,
  tool_scalebar = 31, tool_textbox = 32, tool_image = 33, tool_legend = 34, tool_button = 35,
  tool_web = 36, tool_group = 37, tool_dragvertex = 40, tool_dragLine = 41, tool_dragbox = 42,
  tool_dragEW = 43, tool_dragNS = 44, tool_dragSWNE = 45, tool_dragSENW = 46, tool_Vline = 47,
  tool_Hline = 48, tool_hover = 49, tool_ref1 = 50, tool_ref2 = 51, tool_edit_hit = 52,
  tool_edit_drag = 53, tool_cutter_no = 54, tool_snap = 55, tool_join = 56, tool_cutter_hit = 57,
  tool_edit_hit_vertex = 58, tool_extract = 59, tool_colour = 60, tool_paintadd = 61,
  tool_painterase = 62, tool_paintmodify = 63, tool_paintplot = 64, tool_flood = 65,
  tool_surface = 70, tool_pointer = 99
};

class TosText {
 public:
  // Tokenizers: s loses the field taken and its separator; the rest is trimmed.
  static std::string GetnextEx(std::string& s, char ch, bool removeQuotes = true);
  static std::string getnext(std::string& s) { return GetnextEx(s, ','); }
  static std::string getnextdot(std::string& s) { return GetnextEx(s, '.'); }
  // The part after the last ch; s keeps the part before it. No ch: all of s, and s empties.
  static std::string getLast(std::string& s, char ch);

  // Without leading and trailing bytes below 33 (blanks and control characters).
  static std::string Trim(std::string_view s);
  // s without the characters of exclude; characters above 255 are always kept.
  static std::string strip(std::string_view s, std::string_view exclude);
  // Case-insensitive equality.
  static bool StrEqual(std::string_view a, std::string_view b);
  // Text of a null-terminated UTF-16 buffer (as platform calls fill them).
  static std::string StrPas(const char16_t* str);
  static bool IsWideString(std::string_view s);  // any character above 255

  // Characters above 255 as "&#code;", and back (numeric references, then &amp; &quot; &apos;
  // &lt; &gt;). A reference without its ";" stays as it stands.
  static std::string encodeToHTML(std::string_view s);
  static std::string decodeFromHTML(std::string s);
  // Multi-line text as one line joined by "|", and back (every "|" becomes CR LF).
  static std::string Bartext(std::string_view s);
  static std::string deBarText(std::string_view s);

  // Each character as upper-case hex of at least two digits; pairs of hex digits to characters.
  static std::string hexFromStr(std::string_view s);
  static std::string hexToStr(std::string_view hex);
  // Bytes as upper-case hex pairs; pairs back to bytes after skipping offset characters
  // (only "0"-"9" and "A"-"F" count, any other character reads as 0).
  static std::string hexFromMem(const std::vector<uint8_t>& mem);
  static void memFromHex(std::vector<uint8_t>& mem, std::string_view s, int offset = 0);

  // String lists whose entries carry an integer id in their object slot.
  static int addListID(TStringList& list, const std::string& item, int32_t id);
  static int32_t ListID(const TStringList& list, int index);
  static int ListIndexOfID(const TStringList& list, int32_t id);
  static void AmendListID(TStringList& list, int index, int32_t id);

  // rawname, else rawname with a number that the list does not hold yet: "_n" for option 1,
  // "n" for option 2, " (n)" otherwise.
  static std::string UniqueName(const TStringList& list, const std::string& rawname, int option = 0);
  // A file name not used yet in folder dir by files of rawname's extension.
  static std::string UniqueName(const std::string& dir, const std::string& rawname);

  static std::string toolname(int32_t id);
  static int32_t toolcode(const std::string& name);
};
