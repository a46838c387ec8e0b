#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace korvan {

// A PNG picture decoded into a 32-bit top-down DIB section, ready for
// BitBlt. Transparent pixels are blended onto `background` (a COLORREF), so
// the bitmap is opaque. Null when the data is not a PNG libpng can read.
// The caller owns the bitmap (DeleteObject).
HBITMAP decodePng(std::span<const std::uint8_t> data, COLORREF background);

// The same for an RCDATA resource of the given module.
HBITMAP loadPngResource(HINSTANCE module, int resourceId, COLORREF background);

}  // namespace korvan
