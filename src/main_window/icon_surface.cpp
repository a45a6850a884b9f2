#include "main_window/icon_surface.h"

#include <commctrl.h>

#include <cstring>

namespace tolvane {

namespace {

// A bottom-up device-independent bitmap |size| pixels square, of |bits|
// per pixel; |pixels| receives where its rows lie.
UniqueBitmap SquareDib(HDC dc, int size, WORD bits, unsigned char*& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    void* found = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &found, nullptr, 0));
    pixels = static_cast<unsigned char*>(found);
    return bitmap;
}

// A DIB's rows are DWORD-aligned; a device-dependent bitmap's, as
// SetBitmapBits takes them, WORD-aligned.
// The rows of a device-independent bitmap of |bits| per pixel.
size_t DibRowBytes(int width, int bits) {
    return (static_cast<size_t>(width) * bits + 31) / 32 * 4;
}

// A bitmap header and up to 256 colours.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

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
    bitmap_ = SquareDib(dc_.get(), size, 24, pixels_);
    mask_.reset(CreateBitmap(size, size, 1, 1, nullptr));
    original_ = SelectObject(dc_.get(), bitmap_.get());
    Clear();
}

IconSurface::~IconSurface() {
    // Put the original bitmaps back so that ours can be deleted.
    if (original_) SelectObject(dc_.get(), original_);
    if (blendOriginal_) SelectObject(blendDc_.get(), blendOriginal_);
}

HDC IconSurface::BlendDc(unsigned char*& pixels) {
    if (!blendDc_) {
        blendDc_.reset(CreateCompatibleDC(dc_.get()));
        blendBitmap_ = SquareDib(blendDc_.get(), size_, 32, blendPixels_);
        if (blendBitmap_) blendOriginal_ = SelectObject(blendDc_.get(), blendBitmap_.get());
    }
    pixels = blendPixels_;
    return blendPixels_ ? blendDc_.get() : nullptr;
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

std::optional<IconPixels> RenderIconImage(const std::vector<BYTE>& image, IconSurface& surface) {
    const int size = surface.size();
    BITMAPINFOHEADER header;
    if (image.size() < sizeof(header)) return std::nullopt;
    std::memcpy(&header, image.data(), sizeof(header));
    const int bits = header.biBitCount;
    if (header.biSize < sizeof(header) || header.biSize > image.size() || header.biWidth != size ||
        header.biHeight != 2 * size || header.biPlanes != 1 || header.biCompression != BI_RGB ||
        (bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        return std::nullopt;
    }
    const size_t colours = bits > 8 ? 0 : header.biClrUsed ? header.biClrUsed : size_t{1} << bits;
    if (colours > 256) return std::nullopt;
    const size_t colourAt = header.biSize + colours * sizeof(RGBQUAD);
    const size_t colourBytes = DibRowBytes(size, bits) * size;
    const size_t maskAt = colourAt + colourBytes;
    if (maskAt + DibRowBytes(size, 1) * size > image.size()) return std::nullopt;
    const BYTE* colour = image.data() + colourAt;

    surface.Clear();
    // A 32-bit image with any alpha at all is blended, premultiplied as the
    // system premultiplies an icon's colours; any other is masked, then
    // inverted with its colours, as DrawIconEx does.
    bool alpha = false;
    for (size_t at = 3; bits == 32 && at < colourBytes && !alpha; at += 4) alpha = colour[at] != 0;
    if (alpha) {
        unsigned char* blend = nullptr;
        HDC blendDc = surface.BlendDc(blend);
        if (!blendDc) return std::nullopt;
        GdiFlush();
        for (size_t at = 0; at < colourBytes; at += 4) {
            const unsigned int a = colour[at + 3];
            for (int c = 0; c < 3; ++c)
                blend[at + c] = static_cast<BYTE>((colour[at + c] * a + 127) / 255);
            blend[at + 3] = static_cast<BYTE>(a);
        }
        BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(surface.hDC(), 0, 0, size, size, blendDc, 0, 0, size, size, over);
        return surface.Take();
    }
    DibInfo info{};
    info.header = header;
    info.header.biSize = sizeof(header);
    info.header.biHeight = size;
    info.header.biSizeImage = 0;
    info.header.biClrUsed = static_cast<DWORD>(colours);
    if (colours) std::memcpy(info.colours, image.data() + header.biSize, colours * sizeof(RGBQUAD));
    DibInfo mask{};
    mask.header = info.header;
    mask.header.biBitCount = 1;
    mask.header.biClrUsed = 2;
    mask.colours[1] = {0xFF, 0xFF, 0xFF, 0};
    HDC dc = surface.hDC();
    StretchDIBits(dc, 0, 0, size, size, 0, 0, size, size, image.data() + maskAt,
                  reinterpret_cast<const BITMAPINFO*>(&mask), DIB_RGB_COLORS, SRCAND);
    StretchDIBits(dc, 0, 0, size, size, 0, 0, size, size, colour,
                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCINVERT);
    return surface.Take();
}

}  // namespace tolvane
