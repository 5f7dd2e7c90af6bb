// EMF files through outside readers: emf2svg-conv makes an SVG, xmllint checks it is well formed
// and rsvg-convert renders it at a width; the rendering comes back as RGB pixels. Fonts resolve
// as on a desktop, where "Calibri" is Carlito, from the packaged faces only.
#pragma once
#include <cstdlib>
#include <string>

#include "platform/imagecodec.h"
#include "tests/support/testenv.h"

namespace testenv {

inline bool emfToolsPresent() {
  return std::system("command -v emf2svg-conv >/dev/null && command -v xmllint >/dev/null && "
                     "command -v rsvg-convert >/dev/null") == 0;
}

struct TemfRendering {
  std::string error;  // empty when every step worked
  std::string svg;    // the SVG file
  platform::TrgbImage image;
};

// Renders emfFile at `width` pixels; files are made beside it with the given stem.
inline TemfRendering renderEmf(const std::string& emfFile, int width) {
  TemfRendering out;
  const std::string stem = emfFile.substr(0, emfFile.rfind('.'));
  out.svg = stem + ".svg";
  const std::string png = stem + "-rendered.png", conf = stem + "-fonts.conf";
  writeFile(conf.substr(tempDir().size()),
            "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
            "  <include>" + sourceDir() + "tests/support/fonts.conf</include>\n"
            "  <alias binding=\"same\"><family>Calibri</family><accept><family>Carlito</family></accept></alias>\n"
            "</fontconfig>\n");
  int status = 0;
  std::string said = runCommand("emf2svg-conv -i '" + emfFile + "' -o '" + out.svg + "'", &status);
  if (status != 0) return out.error = "emf2svg-conv: " + said, out;
  said = runCommand("xmllint --noout '" + out.svg + "'", &status);
  if (status != 0) return out.error = "xmllint: " + said, out;
  said = runCommand("FONTCONFIG_FILE='" + conf + "' rsvg-convert -b white -w " + std::to_string(width) + " -o '" + png +
                        "' '" + out.svg + "'",
                    &status);
  if (status != 0) return out.error = "rsvg-convert: " + said, out;
  if (!platform::decodeImageFile(png, out.image, said)) out.error = "decoding the rendering: " + said;
  return out;
}

}  // namespace testenv
