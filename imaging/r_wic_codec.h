// Private to r_wic: opening any image the system reads (BMP through the core's checked reader,
// the rest through platform/imagecodec) and writing rows by file-type code.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/imagecodec.h"

namespace wiccodec {

// A BMP of 1, 4, 8, 16, 24 or 32 bits, 16 and 32 also with channel masks, 4 and 8 also
// run-length coded (r_wic_bmp.cpp).
std::unique_ptr<platform::TimageSource> openBmp(std::vector<uint8_t> bytes, std::string& error);
// BMP, JPEG, PNG, TIFF or GIF by the first bytes; nullptr with the reason otherwise.
std::unique_ptr<platform::TimageSource> openImage(std::vector<uint8_t> bytes, std::string& error);
std::unique_ptr<platform::TimageSource> openImageFile(const std::string& filename, std::string& error);

// The encoder of a file-type code: TIFF (4), JPEG (5), PNG (140); Unknown for BMP and the rest.
[[nodiscard]] platform::ImageKind encoderOf(int ftype);
// Rows (24-bit blue-green-red or one bit) as a file of the type, BMP for a type without an
// encoder; written whole through a temporary file.
bool saveRows(const std::string& filename, int ftype, const platform::TpixelRows&, std::string& error);
bool encodeRows(std::vector<uint8_t>& bytes, int ftype, const platform::TpixelRows&, std::string& error);

}  // namespace wiccodec
