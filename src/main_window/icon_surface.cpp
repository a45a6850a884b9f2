#include "main_window/icon_surface.h"

#include <commctrl.h>

#include <cstring>

namespace tolvane {

namespace {

// A DIB's rows are DWORD-aligned; a device-dependent bitmap's, as
// SetBitmapBits takes them, WORD-aligned.
int ColourRowBytes(int size) {
    return (size * 3 + 3) / 4 * 4;
}

int MaskRowBytes(int size) {
    return (size + 15) / 16 * 2;
}

}  // namespace

int IconSizeAt(UINT dpi) {
    return MulDiv(kIconSize, static_cast<int>(dpi), 96);
}

IconSurface::IconSurface(int size) : size_(size) {
    HDC screen = GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels_ = static_cast<unsigned char*>(bits);
    mask_.reset(CreateBitmap(size, size, 1, 1, nullptr));
    original_ = SelectObject(dc_.get(), bitmap_.get());
    Clear();
}

IconSurface::~IconSurface() {
    // Put the original bitmap back so that ours can be deleted.
    if (original_) SelectObject(dc_.get(), original_);
}

void IconSurface::Clear() {
    RECT all{0, 0, size_, size_};
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

// White pixels become transparent: set in the mask and black in the image,
// which is what the image list's own masking by colour would do, without
// its cost per image.
IconPixels IconSurface::Take() {
    GdiFlush();
    const int rowBytes = ColourRowBytes(size_);
    const int maskRowBytes = MaskRowBytes(size_);
    IconPixels taken;
    taken.size = size_;
    taken.colour.assign(pixels_, pixels_ + static_cast<size_t>(rowBytes) * size_);
    taken.mask.assign(static_cast<size_t>(maskRowBytes) * size_, 0);
    for (int row = 0; row < size_; ++row) {
        unsigned char* pixel = taken.colour.data() + row * rowBytes;
        // The colour rows run bottom-up, the mask's top-down.
        unsigned char* maskRow = taken.mask.data() + (size_ - 1 - row) * maskRowBytes;
        for (int x = 0; x < size_; ++x, pixel += 3) {
            if (pixel[0] == 0xFF && pixel[1] == 0xFF && pixel[2] == 0xFF) {
                maskRow[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                pixel[0] = pixel[1] = pixel[2] = 0;
            }
        }
    }
    return taken;
}

int IconSurface::Append(HIMAGELIST list, const IconPixels& pixels) {
    if (pixels.size != size_) return ImageList_GetImageCount(list);
    GdiFlush();
    std::memcpy(pixels_, pixels.colour.data(), pixels.colour.size());
    SetBitmapBits(mask_.get(), static_cast<DWORD>(pixels.mask.size()), pixels.mask.data());
    // A bitmap may sit in one device context at a time; the image list
    // selects it into its own while it copies.
    SelectObject(dc_.get(), original_);
    ImageList_Add(list, bitmap_.get(), mask_.get());
    SelectObject(dc_.get(), bitmap_.get());
    return ImageList_GetImageCount(list);
}

int IconSurface::AppendTo(HIMAGELIST list) {
    return Append(list, Take());
}

IconPixels RenderIcon(HICON icon, IconSurface& surface) {
    surface.Clear();
    if (icon)
        DrawIconEx(surface.hDC(), 0, 0, icon, surface.size(), surface.size(), 0, nullptr,
                   DI_NORMAL);
    return surface.Take();
}

}  // namespace tolvane
