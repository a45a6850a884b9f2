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
    // colour; returns the list's image count afterwards.
    int AppendTo(HIMAGELIST list);

  private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ original_ = nullptr;
};

}  // namespace tolvane
