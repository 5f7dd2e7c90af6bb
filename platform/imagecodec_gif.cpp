// GIF on giflib: the first frame, placed on the logical screen; what the frame leaves uncovered
// and its transparent colour are black. Extracts read the frame's rows down to the extract's
// bottom (an interlaced frame through all its passes, keeping only the extract's rows).
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "platform/imagecodec_detail.h"

namespace platform::codec {
namespace {

// An LZW code of at least 3 bits stands for at most 4096 pixels.
constexpr uint64_t kLzwPixelsPerByte = 8 * 4096 / 3 + 1;

struct GifReadState {
  const uint8_t* bytes;
  size_t length;
  size_t pos;
};

int gifRead(GifFileType* gif, GifByteType* out, int n) {
  auto* s = static_cast<GifReadState*>(gif->UserData);
  const size_t take = std::min(size_t(n < 0 ? 0 : n), s->length - s->pos);
  std::memcpy(out, s->bytes + s->pos, take);
  s->pos += take;
  return int(take);
}

// An open file positioned at the first frame's pixel data, closed when it goes.
struct TgifFile {
  GifReadState state;
  GifFileType* gif = nullptr;
  int transparent = NO_TRANSPARENT_COLOR;
  explicit TgifFile(const Tencoded& bytes) : state{bytes.data, bytes.length, 0} {}
  ~TgifFile() {
    int err = 0;
    if (gif) DGifCloseFile(gif, &err);
  }
  TgifFile(const TgifFile&) = delete;
  TgifFile& operator=(const TgifFile&) = delete;

  std::string fail(const char* step) const {
    const char* text = GifErrorString(gif ? gif->Error : 0);
    return std::string("GIF: ") + step + (text ? std::string(": ") + text : std::string());
  }

  // Reads up to the first frame's descriptor; "" on success.
  std::string toFirstFrame() {
    int err = 0;
    gif = DGifOpen(&state, gifRead, &err);
    if (!gif) {
      const char* text = GifErrorString(err);
      return std::string("GIF: cannot read the header") + (text ? std::string(": ") + text : std::string());
    }
    const Clock::time_point deadline = Clock::now() + kDecodeTimeLimit;
    for (;;) {
      if (Clock::now() > deadline) return "GIF: reading took too long";
      GifRecordType type = UNDEFINED_RECORD_TYPE;
      if (DGifGetRecordType(gif, &type) == GIF_ERROR) return fail("damaged record");
      if (type == TERMINATE_RECORD_TYPE) return "GIF: the file holds no image";
      if (type == IMAGE_DESC_RECORD_TYPE) {
        if (DGifGetImageDesc(gif) == GIF_ERROR) return fail("damaged image descriptor");
        return "";
      }
      if (type != EXTENSION_RECORD_TYPE) return "GIF: unknown record";
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return fail("damaged extension");
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return fail("damaged extension");
    }
  }
};

class TgifSource : public TimageSource {
 public:
  TgifSource(Tencoded bytes, int w, int h) : fbytes(std::move(bytes)) {
    fwidth = w;
    fheight = h;
    fbits = 8;
  }
  [[nodiscard]] ImageKind kind() const override { return ImageKind::Gif; }

 protected:
  bool decode(int left, int top, int w, int h, PixelLayout layout, uint8_t* out, size_t stride,
              std::string& error) override {
    TgifFile f(fbytes);
    if (error = f.toFirstFrame(); !error.empty()) return false;
    const GifImageDesc& d = f.gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : f.gif->SColorMap;
    if (!map || !map->Colors) {
      error = "GIF: no colour table";
      return false;
    }
    // Rows go straight into the caller's rows: one row of red, green, blue is all that is kept.
    // Rows the frame does not reach are black; the frame's rows are laid on black as they come
    // (an interlaced frame's passes in any order).
    const size_t rowBytes = size_t(w) * 3;
    std::vector<uint8_t> rgb(rowBytes), line(size_t(std::max(d.Width, 0)));
    auto blackRow = [&](int y) {
      std::fill(rgb.begin(), rgb.end(), 0);
      rgbToLayout(rgb.data(), w, layout, out + size_t(y - top) * stride);
    };
    for (int y = top; y < top + h; ++y)
      if (y < d.Top || y >= d.Top + d.Height) blackRow(y);
    const Clock::time_point deadline = Clock::now() + kDecodeTimeLimit;
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    const int x0 = std::max(left, d.Left), x1 = std::min(left + w, d.Left + d.Width);
    for (int pass = 0; pass < passes; ++pass)
      for (int r = d.Interlace ? kStart[pass] : 0; r < d.Height; r += d.Interlace ? kStep[pass] : 1) {
        const int y = d.Top + r;
        if (!d.Interlace && y >= top + h) break;  // nothing further down is wanted
        if (Clock::now() > deadline) {
          error = "GIF: decoding took too long";
          return false;
        }
        if (DGifGetLine(f.gif, line.data(), d.Width) == GIF_ERROR) {
          error = f.fail("damaged or truncated data");
          return false;
        }
        if (y < top || y >= top + h) continue;
        std::fill(rgb.begin(), rgb.end(), 0);
        for (int x = x0; x < x1; ++x) {
          const int index = line[size_t(x - d.Left)];
          if (index == f.transparent || index >= map->ColorCount) continue;
          const GifColorType& c = map->Colors[index];
          uint8_t* q = rgb.data() + 3 * size_t(x - left);
          q[0] = c.Red;
          q[1] = c.Green;
          q[2] = c.Blue;
        }
        rgbToLayout(rgb.data(), w, layout, out + size_t(y - top) * stride);
      }
    return true;
  }

 private:
  Tencoded fbytes;
};

}  // namespace

std::unique_ptr<TimageSource> openGif(Tencoded bytes, std::string& error) {
  TgifFile f(bytes);
  if (error = f.toFirstFrame(); !error.empty()) return nullptr;
  const GifImageDesc& d = f.gif->Image;
  if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) {
    error = "GIF: the first frame has no pixels";
    return nullptr;
  }
  // The screen, widened to hold the frame where a damaged file declares it smaller. What the
  // frames do not cover is still pixels to give: the screen is held to what the file's codes
  // could fill, as the frame is.
  const uint64_t w = uint64_t(std::max(f.gif->SWidth, d.Left + d.Width));
  const uint64_t h = uint64_t(std::max(f.gif->SHeight, d.Top + d.Height));
  if (std::string why = sizeRefusal("GIF", w, h, bytes.length, w * h <= bytes.length * kLzwPixelsPerByte);
      !why.empty()) {
    error = why;
    return nullptr;
  }
  return std::make_unique<TgifSource>(std::move(bytes), int(w), int(h));
}

}  // namespace platform::codec
