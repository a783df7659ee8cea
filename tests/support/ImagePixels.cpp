#include "ImagePixels.h"

namespace wintest {

std::vector<uint32_t> ImagePixels(HIMAGELIST list, int index)
{
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + width * height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

COLORREF ImageCenterColor(HIMAGELIST list, int index)
{
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    std::vector<uint32_t> pixels = ImagePixels(list, index);
    uint32_t pixel = pixels.empty() ? 0xFFFFFF : pixels[(height / 2) * width + width / 2];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace wintest
