// The hidden 32 x 32 drawing surface on which entry icons are rendered: a
// memory device context holding a white bitmap that keeps what is drawn.
#pragma once

#include <windows.h>

#include "toolkit/handles.h"

namespace tolvane {

class IconSurface {
  public:
    static constexpr int kSize = 32;

    IconSurface();
    IconSurface(const IconSurface&) = delete;
    IconSurface& operator=(const IconSurface&) = delete;
    ~IconSurface();

    // Blanks the surface to its white background.
    void Clear();
    HDC hDC() const { return dc_.get(); }
    // Appends the surface's current image to |list| with white as the mask
    // colour; returns the list's image count afterwards. Like an append with
    // a mask colour, it turns the masked pixels of the surface black.
    int AppendTo(HIMAGELIST list);

  private:
    void MakeMask();

    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    UniqueBitmap mask_;
    unsigned char* pixels_ = nullptr;  // the bitmap's bottom-up BGR rows
    HGDIOBJ original_ = nullptr;
};

}  // namespace tolvane
