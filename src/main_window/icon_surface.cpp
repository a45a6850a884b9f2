#include "main_window/icon_surface.h"

namespace tolvane {

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
}

IconSurface::IconSurface() {
    HDC screen = GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ReleaseDC(nullptr, screen);
    original_ = SelectObject(dc_.get(), bitmap_.get());
    Clear();
}

IconSurface::~IconSurface() {
    // Put the original bitmap back so that ours can be deleted.
    if (original_) SelectObject(dc_.get(), original_);
}

void IconSurface::Clear() {
    RECT all{0, 0, kSize, kSize};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc_.get(), &all, white);
}

int IconSurface::AppendTo(HIMAGELIST list) {
    // A bitmap may sit in one device context at a time; the image list
    // selects it into its own while it copies.
    GdiFlush();
    SelectObject(dc_.get(), original_);
    ImageList_AddMasked(list, bitmap_.get(), kWhite);
    SelectObject(dc_.get(), bitmap_.get());
    return ImageList_GetImageCount(list);
}

}  // namespace tolvane
