// The square drawing surface on which entry icons are rendered, as large as
// the list's row images at the window's density: a memory device context
// holding a white bitmap that keeps what is drawn. Icons are rendered on
// worker threads, each with a surface of its own, and come to the window's
// thread as plain pixels, which its own surface appends to the image list.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "toolkit/handles.h"

namespace tolvane {

// The side of a row image at 96 dots per inch; it grows with the density.
inline constexpr int kIconSize = 32;

// The side of a row image at |dpi|.
int IconSizeAt(UINT dpi);

// A rendered icon of |size| pixels square: bottom-up BGR rows, each padded
// to a DWORD, and a top-down 1-bit mask, each row padded to a WORD, in
// which set bits are transparent (the white of the surface).
struct IconPixels {
    int size = 0;
    std::vector<unsigned char> colour;
    std::vector<unsigned char> mask;
};

class IconSurface {
  public:
    explicit IconSurface(int size = kIconSize);
    IconSurface(const IconSurface&) = delete;
    IconSurface& operator=(const IconSurface&) = delete;
    ~IconSurface();

    int size() const { return size_; }
    // Blanks the surface to its white background.
    void Clear();
    HDC hDC() const { return dc_.get(); }
    // The surface as drawn, white made transparent.
    IconPixels Take();
    // Appends |pixels|, of this surface's size, to |list|; returns the
    // list's image count afterwards.
    int Append(HIMAGELIST list, const IconPixels& pixels);
    // Appends the surface's current image, white made transparent.
    int AppendTo(HIMAGELIST list);
    // A 32-bit surface of the same size for blending, made at first use;
    // its rows are bottom-up BGRA.
    HDC BlendDc(unsigned char*& pixels);

  private:
    int size_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    UniqueBitmap mask_;
    unsigned char* pixels_ = nullptr;  // the bitmap's bottom-up BGR rows
    HGDIOBJ original_ = nullptr;
    UniqueMemoryDc blendDc_;
    UniqueBitmap blendBitmap_;
    unsigned char* blendPixels_ = nullptr;
    HGDIOBJ blendOriginal_ = nullptr;
};

// Draws |icon| at the surface's top-left corner on white, at the surface's
// size, as the list shows it; a null icon gives the blank image. Safe on
// any thread, with a surface of that thread's own.
IconPixels RenderIcon(HICON icon, IconSurface& surface);

// The same for an icon image as a program's resources hold it (a bitmap
// header, its colours, its mask) when it is a plain one of the surface's
// size, drawn as DrawIconEx draws it but without making an icon, which
// costs more than the rest of the work on a file; nothing for any other
// image (a PNG, another size, a compressed or monochrome one).
std::optional<IconPixels> RenderIconImage(const std::vector<BYTE>& image, IconSurface& surface);

}  // namespace tolvane
