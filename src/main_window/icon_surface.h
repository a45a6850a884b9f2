// The 32 x 32 drawing surface on which entry icons are rendered: a memory
// device context holding a white bitmap that keeps what is drawn. Icons are
// rendered on worker threads, each with a surface of its own, and come to
// the window's thread as plain pixels, which its own surface appends to the
// image list.
#pragma once

#include <windows.h>

#include <array>

#include "toolkit/handles.h"

namespace tolvane {

inline constexpr int kIconSize = 32;

// A rendered icon: bottom-up BGR rows, and a top-down 1-bit mask in which
// set bits are transparent (the white of the surface).
struct IconPixels {
    std::array<unsigned char, kIconSize * kIconSize * 3> colour{};
    std::array<unsigned char, kIconSize * kIconSize / 8> mask{};
};

class IconSurface {
  public:
    static constexpr int kSize = kIconSize;

    IconSurface();
    IconSurface(const IconSurface&) = delete;
    IconSurface& operator=(const IconSurface&) = delete;
    ~IconSurface();

    // Blanks the surface to its white background.
    void Clear();
    HDC hDC() const { return dc_.get(); }
    // The surface as drawn, white made transparent.
    IconPixels Take();
    // Appends |pixels| to |list|; returns the list's image count afterwards.
    int Append(HIMAGELIST list, const IconPixels& pixels);
    // Appends the surface's current image, white made transparent.
    int AppendTo(HIMAGELIST list);

  private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    UniqueBitmap mask_;
    unsigned char* pixels_ = nullptr;  // the bitmap's bottom-up BGR rows
    HGDIOBJ original_ = nullptr;
};

// Draws |icon| at the surface's top-left corner on white, as the list shows
// it; a null icon gives the blank image. Safe on any thread, with a
// surface of that thread's own.
IconPixels RenderIcon(HICON icon, IconSurface& surface);

}  // namespace tolvane
