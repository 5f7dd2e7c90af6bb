// r_BitBase: what a raster image file is, how many pixels wide and high and how deep, read from
// its header without decoding it (BMP, TIFF, PNG, JPEG); and where it lies on the ground (world
// files, British National Grid tile names, GeoTIFF tags, the calibration trailer), in map units
// with y upwards. Nothing from a file is trusted: an offset or length beyond the file measures
// nothing. The file-type codes are the program's (core/os_filetypes.h).
#pragma once
#include <cstdint>
#include <string>

class TCustomMemoryStream;

// Module globals, set by the readers (single-threaded use).
extern int32_t lastDepth;          // bits a pixel of the last image measured
extern int32_t lastBitsPerSample;  // of the last TIFF; 0 when its tag was absent
extern int32_t lastSamples;        // of the last TIFF; 0 when its tag was absent
// The last TIFF file's GeoTIFF box: pixel size (0 when absent), corners.
extern double geoMp, geoX1, geoY1, geoX2, geoY2;

// ---- file types and handles
// The type from the last three letters of the name, letter case ignored: 3 BMP, 4 TIFF, 5 JPEG,
// 14 ECW, 100 JP2, 210 J2K, 215 tile package; 0 for anything else.
[[nodiscard]] int getfiletype(const std::string& filename);
// Plain read-only file handles on the core's file routines; false or 0 where they fail.
bool fileOpen(int& f, const std::string& filename);
bool FileClose(int f);
int64_t FileRead(int f, void* v, int64_t size);
int64_t filesize(int f);  // the position is kept
bool FileSeek(int f, int64_t position);
int64_t FilePosition(int f);
// Two bytes as a big-endian value; what the stream lacks reads as 0.
uint16_t ReadMWord(TCustomMemoryStream& stream);

// ---- sizes and depths; every reader answers whether it measured the image
// JPEG: the first frame header of any kind (baseline, progressive, lossless, arithmetic).
// lastDepth := components x 8. Not measured: outputs untouched; the stream form rewinds then,
// and otherwise stands just after the frame header's component count.
bool GetJPGSize(const std::string& sFile, int32_t& iWidth, int32_t& iHeight);
bool GetJPGSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight);
// TIFF, first directory: width and height (-1 when not measured), depth = samples per pixel x
// bits per sample (1 when neither tag is present). The file forms also set the geo globals.
// BigTIFF is not measured here (the decoder knows its size).
[[nodiscard]] int32_t getTiffDepth(const std::string& filename);
bool doGetTifSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth);
bool GetTifSize(const std::string& FileName, int32_t& iWidth, int32_t& iHeight);
bool GetTifSize(const std::string& FileName, int32_t& iWidth, int32_t& iHeight, int32_t& bitdepth);
bool GetTifSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight, int32_t& bitdepth);
// PNG: the 32-bit width and height of the header; callers take 24 bits a pixel. Not measured:
// outputs untouched.
bool GetPNGSize(const std::string& sFile, int32_t& iWidth, int32_t& iHeight);
bool GetPNGSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight);
// BMP ("BM" first): width and height as stored (a top-down bitmap has a negative height) and
// the bit count (0 counts as 24). Not measured: outputs untouched.
bool GetBmpSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight);
bool GetBmpSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth);
bool GetBmpSize(TCustomMemoryStream& mem, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth);

// ---- georeferencing: x1 left, y1 bottom, x2 right, y2 top, mp the ground size of a pixel
// The chain: world file, tile name, GeoTIFF tags (TIFF only), calibration trailer. True when
// one of them placed the image; false with pixel space (0, 0, width, height, mp 1) otherwise.
bool getCalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp);
// The same, with the image's size; without wantMp a tile name sets the box alone.
bool doGetCalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp,
                      int32_t& width, int32_t& height, bool wantMp);
// The name of the world file of an image: up to the image name's last full stop, then "bpw",
// "tfw" or "jgw" by type; empty for other types.
[[nodiscard]] std::string worldFileName(const std::string& imageName);
// Reads a world file (the caller names it): pixel size (1 when not positive), the outer top-left
// corner, in metres when a projection file beside it names feet. False (logged) when it is
// missing or has fewer than six numbers.
bool getWorldFile(const std::string& filename, double& x1, double& y2, double& mp);
// Writes the world file of the image file `filename` (bottom-left corner x1, y1 of an image
// `height` pixels high) through a temporary file; false (logged, the old one kept) when it
// cannot be written or the type has no world file. `width` is not used.
bool MakeWorldFile(const std::string& filename, int32_t width, int32_t height, double x1, double y1, double mp);
// British National Grid tile names (su12ne, TQ38, SUNE, 12345678 ...): the box; with a width
// (0: read from the file) also mp; a negative width leaves mp alone.
bool OScalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp);
bool OScalibration(const std::string& filename, double& x1, double& y1, double& x2, double& y2);
bool OScalibration(const std::string& filename, int32_t width, int32_t height, double& x1, double& y1, double& x2,
                   double& y2, double& mp);
// GeoTIFF pixel scale and tie point (tags 33550, 33922) with the size and the description.
bool GetGeoTiff(const std::string& filename, double& x1, double& y1, double& x2, double& y2, double& mp,
                int32_t& width, int32_t& height, std::string& imageDescription);
// The calibration trailer at the end of an image file: left and top edges and pixel size.
// False when there is none, or its resolution or scale is not positive.
bool getQycalibration(const std::string& filename, double& x1, double& y2, double& mp);
