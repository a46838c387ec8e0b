#include "windows/app/png_image.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace korvan {
HBITMAP decodePng(std::span<const std::uint8_t> data, COLORREF background) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) return nullptr;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    // The simplified API reports errors through its return value and keeps
    // libpng's longjmp inside libpng, which matters in a program built
    // without exceptions crossing C frames.
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return nullptr;
    image.format = PNG_FORMAT_BGRA;
    const LONG width = static_cast<LONG>(image.width);
    const LONG height = static_cast<LONG>(image.height);
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, like the PNG rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;

    const unsigned bgB = GetBValue(background), bgG = GetGValue(background),
                   bgR = GetRValue(background);
    auto* out = static_cast<std::uint8_t*>(bits);
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        unsigned a = pixels[i + 3];
        out[i + 0] = static_cast<std::uint8_t>((pixels[i + 0] * a + bgB * (255 - a)) / 255);
        out[i + 1] = static_cast<std::uint8_t>((pixels[i + 1] * a + bgG * (255 - a)) / 255);
        out[i + 2] = static_cast<std::uint8_t>((pixels[i + 2] * a + bgR * (255 - a)) / 255);
        out[i + 3] = 255;
    }
    return bitmap;
}

HBITMAP loadPngResource(HINSTANCE module, int resourceId, COLORREF background) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    DWORD size = SizeofResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return nullptr;
    return decodePng({static_cast<const std::uint8_t*>(bytes), size}, background);
}

}  // namespace korvan
