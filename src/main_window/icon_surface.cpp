#include "main_window/icon_surface.h"

#include <commctrl.h>

#include <array>

namespace tolvane {

namespace {

constexpr int kRowBytes = IconSurface::kSize * 3;  // 96: already DWORD-aligned
constexpr int kMaskRowBytes = IconSurface::kSize / 8;

}  // namespace

IconSurface::IconSurface() {
    HDC screen = GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels_ = static_cast<unsigned char*>(bits);
    mask_.reset(CreateBitmap(kSize, kSize, 1, 1, nullptr));
    original_ = SelectObject(dc_.get(), bitmap_.get());
    Clear();
}

IconSurface::~IconSurface() {
    // Put the original bitmap back so that ours can be deleted.
    if (original_) SelectObject(dc_.get(), original_);
}

void IconSurface::Clear() {
    RECT all{0, 0, kSize, kSize};
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// White pixels become transparent: set in the mask and black in the image,
// which is what the image list's own masking by colour would do, without
// its cost per image.
void IconSurface::MakeMask() {
    std::array<unsigned char, kMaskRowBytes * kSize> mask{};
    for (int row = 0; row < kSize; ++row) {
        unsigned char* pixel = pixels_ + row * kRowBytes;
        // The colour rows run bottom-up, the mask's top-down.
        unsigned char* maskRow = mask.data() + (kSize - 1 - row) * kMaskRowBytes;
        for (int x = 0; x < kSize; ++x, pixel += 3) {
            if (pixel[0] == 0xFF && pixel[1] == 0xFF && pixel[2] == 0xFF) {
                maskRow[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                pixel[0] = pixel[1] = pixel[2] = 0;
            }
        }
    }
    SetBitmapBits(mask_.get(), static_cast<DWORD>(mask.size()), mask.data());
}

int IconSurface::AppendTo(HIMAGELIST list) {
    GdiFlush();
    MakeMask();
    // A bitmap may sit in one device context at a time; the image list
    // selects it into its own while it copies.
    SelectObject(dc_.get(), original_);
    ImageList_Add(list, bitmap_.get(), mask_.get());
    SelectObject(dc_.get(), bitmap_.get());
    return ImageList_GetImageCount(list);
}

}  // namespace tolvane
