// The pixels of one image of an image list, drawn on white, to tell images apart.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

namespace wintest {

// Row by row from the top, 0x00RRGGBB each, the image's own size.
std::vector<uint32_t> ImagePixels(HIMAGELIST list, int index);

// The colour at the centre of the image.
COLORREF ImageCenterColor(HIMAGELIST list, int index);

}  // namespace wintest
