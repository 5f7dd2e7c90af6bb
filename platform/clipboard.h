// Pictures on the X11 clipboard: this program owns the CLIPBOARD selection and hands its bytes
// to whoever asks, in the formats offered (MIME names such as image/png), from a thread with an X
// connection of its own. Transfers larger than one request go in increments.
// Implemented: [x] offering formats [x] TARGETS and TIMESTAMP [x] incremental transfers
//              [ ] handing the picture to a clipboard manager (it goes when the program ends)
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
struct TclipboardFormat {
  std::string target;  // a MIME type: "image/png", "image/bmp"
  std::vector<uint8_t> bytes;
};
// Takes the clipboard with these formats, replacing what this program offered before; they are
// served until another program takes the clipboard, clearOwnClipboard is called or the program
// ends. False when there is no X display or the clipboard cannot be taken.
bool offerClipboard(std::vector<TclipboardFormat> formats);
// Gives up what this program offers (the clipboard is then empty, unless another program owns
// it).
void clearOwnClipboard();
// Whether this program's offer still owns the clipboard.
bool ownsClipboard();
}  // namespace platform
