// TfontMan, word wrap and measurement: paragraphs cut at "|" (else at line breaks), lines broken
// before the word that would overflow, each line placed by the top of its capitals; bracketed
// remarks in blue, letter-spaced text, and widths and ink boxes measured off screen.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/r_Font.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

int TfontMan::wrapParagraph(TCanvas& canvas, int x, int y, int width, std::string const& para, bool drawit,
                            double lineSpacing, bool last, int& widest) {
  int advance = Round32(std::abs(canvas.Font.Size()) * lineSpacing);
  int space = canvas.TextWidth(" ");
  std::string line;
  int lineWidth = -space, offset = 0;
  size_t at = 0;
  bool any = false;  // a word already stands on the line
  while (true) {
    size_t blank = para.find(' ', at);
    std::string word = para.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
    int ww = canvas.TextWidth(word);
    // A word too wide for an empty line overflows it rather than leaving a blank line above it.
    if (any && lineWidth + space + ww > width) {
      if (drawit) TopTextOut(canvas, x, y + offset, line);
      widest = std::max(widest, canvas.TextWidth(line));
      line.clear();
      lineWidth = -space;
      offset += advance;
      any = false;
    }
    line = line.empty() ? word : line + " " + word;
    lineWidth += space + ww;
    any = true;
    if (blank == std::string::npos) break;
    at = blank + 1;
  }
  widest = std::max(widest, canvas.TextWidth(line));
  if (drawit) TopTextOut(canvas, x, y + offset, line);
  return offset + (last ? Round32(VisualFontHeight(canvas)) : advance);
}

int TfontMan::WordWrap(TCanvas& canvas, int x, int y, int width, std::string const& caption, bool drawit,
                       double lineSpacing) {
  std::vector<std::string> paras;
  if (caption.find('|') != std::string::npos) {
    size_t at = 0;
    while (at < caption.size()) {
      size_t bar = caption.find('|', at);
      if (bar == std::string::npos) {
        paras.push_back(caption.substr(at));
        break;
      }
      paras.push_back(caption.substr(at, bar - at));
      at = bar + 1;
    }
  } else {
    TStringList l;
    l.setText(caption);
    paras = l.lines();
  }
  int widest = 0, total = 0;
  for (size_t i = 0; i < paras.size(); ++i) {
    int h = wrapParagraph(canvas, x, y, width, paras[i], drawit, lineSpacing, i + 1 == paras.size(), widest);
    total += h;
    y += h;
  }
  lastWordWrapWidth = widest;
  return total;
}

int TfontMan::BracketTextWidth(TCanvas& canvas, std::string const& text, std::string const& bracketText) {
  if (bracketText.empty()) return canvas.TextWidth(text);
  return canvas.TextWidth(text + " [" + bracketText + "]");
}

void TfontMan::BracketText(TCanvas& canvas, int x, int y, std::string const& text, std::string const& bracket) {
  if (bracket.empty()) {
    TopTextOut(canvas, x, y, text);
    return;
  }
  TColor c = canvas.Font.Color;
  int w = canvas.TextWidth(text + " [");
  TopTextOut(canvas, x, y, text + " [");
  int wb = canvas.TextWidth(bracket);
  if (c != 0xFFFFFF && c != 0x808080) canvas.Font.Color = 0xFF0000;
  TopTextOut(canvas, x + w, y, bracket);
  canvas.Font.Color = c;
  TopTextOut(canvas, x + w + wb, y, "]");
}

void TfontMan::VcentredBracketText(TCanvas& canvas, int x, int y, std::string const& text,
                                   std::string const& bracket) {
  if (bracket.empty()) {
    VCentredText(canvas, x, y, text);
    return;
  }
  TColor c = canvas.Font.Color;
  int w = canvas.TextWidth(text + " [");
  VCentredText(canvas, x, y, text + " [");
  int wb = canvas.TextWidth(bracket);
  if (c != 0xFFFFFF && c != 0xB4B4B4) canvas.Font.Color = 0xFF0000;
  VCentredText(canvas, x + w, y, bracket);
  canvas.Font.Color = c;
  VCentredText(canvas, x + w + wb, y, "]");
}

void TfontMan::StretchText(TCanvas& canvas, int x, int y, int width, std::string const& s) {
  TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  int keep = dc->setTextCharacterExtra(0);
  int natural = canvas.TextWidth(s);
  int gaps = int(codePointCount(s)) - 1;
  // One character has no gap to widen: it is drawn as it stands.
  int extra = gaps > 0 ? (width - natural) / gaps : 0;
  if (extra > 0) dc->setTextCharacterExtra(extra);
  TopTextOut(canvas, x, y, s);
  dc->setTextCharacterExtra(keep);
}

int TfontMan::TextWidth(std::string const& fontname, int fontsize, std::string const& s) {
  return refCanvas(fontname, fontsize).TextWidth(s);
}

TSize TfontMan::TextExtent(std::string const& fontname, int fontsize, std::string const& s) {
  TCanvas& c = refCanvas(fontname, fontsize);
  int w = c.TextWidth(s);
  return {w, Round32(VisualFontHeight(c))};
}

TSize TfontMan::TextExtent(TCanvas& canvas, std::string const& s) {
  return {canvas.TextWidth(s), Round32(VisualFontHeight(canvas))};
}

void TfontMan::TextExtent(TCanvas& canvas, int x, int y, std::string const& s, TRect& box) {
  if (canvas.Handle()) canvas.Handle()->setBkMode(BkMode::Transparent);
  box = inkBox(canvas, x, y, s);
}

void TfontMan::TextExtent(TCanvas& canvas, int x, int y, std::string const& s, double rotation, TRect& box) {
  bool bold = canvas.Font.Style() & fsBold, italic = canvas.Font.Style() & fsItalic;
  int h = -canvas.Font.Height();
  if (rotation != 0)
    canvas.Font.setHandle(anglefont(h, Round32(rotation * 180 / std::numbers::pi * 10), bold, italic, canvas.Font.Name()));
  TextExtent(canvas, x, y, s, box);
  if (rotation != 0) canvas.Font.setHandle(anglefont(h, 0, bold, italic, canvas.Font.Name()));
}
