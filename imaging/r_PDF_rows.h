// Rows of an image for the PDF writer's image streams: the five PNG filters (ISO 15948) of a row
// of 8-bit red, green, blue samples, and the one that leaves the smallest differences.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pdf_rows {
// `cur` and `prev` (the row above; zeros above the first row) are `n` bytes with three readable
// zero bytes before their first. Filter k (1 left, 2 up, 3 average of left and up, 4 Paeth) is
// written to out[k - 1] + 1. Gives the filtered row with the least sum of absolute differences
// (as signed bytes, libpng's heuristic; the lower filter on a tie), n + 1 bytes led by the
// filter's number; for filter 0 (none) that is cur - 1, whose zero byte is the number.
const uint8_t* filteredRow(const uint8_t* cur, const uint8_t* prev, size_t n, uint8_t* const out[4]);
}  // namespace pdf_rows
