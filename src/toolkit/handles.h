// Owners of platform handles: one small RAII type per kind of resource, in
// the manner of a unique_ptr with the handle's own release call.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace tolvane {

template <typename Handle, auto Release, Handle Invalid = Handle{}>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }

    // The address of the handle, for calls that hand one out; drops any
    // handle held before.
    Handle* put() {
        reset();
        return &handle_;
    }

    Handle release() { return std::exchange(handle_, Invalid); }

    void reset(Handle handle = Invalid) {
        Handle old = std::exchange(handle_, handle);
        if (old != Invalid) Release(old);
    }

  private:
    Handle handle_ = Invalid;
};

namespace detail {
inline void CloseKey(HKEY key) {
    RegCloseKey(key);
}
inline void DestroyIconHandle(HICON icon) {
    DestroyIcon(icon);
}
inline void DeleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void DeleteBitmap(HBITMAP bitmap) {
    DeleteObject(bitmap);
}
inline void DeleteFontHandle(HFONT font) {
    DeleteObject(font);
}
inline void DeleteMemoryDc(HDC dc) {
    DeleteDC(dc);
}
inline void DestroyImageList(HIMAGELIST list) {
    ImageList_Destroy(list);
}
inline void FreeGlobal(HGLOBAL memory) {
    GlobalFree(memory);
}
inline void DestroyMenuHandle(HMENU menu) {
    DestroyMenu(menu);
}
inline void DestroyWindowHandle(HWND window) {
    DestroyWindow(window);
}
inline void CloseKernelObject(HANDLE object) {
    CloseHandle(object);
}
inline void FreeTaskMemory(void* memory) {
    CoTaskMemFree(memory);
}
inline void FreeLocal(void* memory) {
    LocalFree(memory);
}
}  // namespace detail

using UniqueKey = UniqueHandle<HKEY, detail::CloseKey>;
using UniqueIcon = UniqueHandle<HICON, detail::DestroyIconHandle>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::DeleteBitmap>;
using UniqueFont = UniqueHandle<HFONT, detail::DeleteFontHandle>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, detail::DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
using UniqueImageList = UniqueHandle<HIMAGELIST, detail::DestroyImageList>;
using UniqueGlobal = UniqueHandle<HGLOBAL, detail::FreeGlobal>;
using UniqueMenu = UniqueHandle<HMENU, detail::DestroyMenuHandle>;
using UniqueWindow = UniqueHandle<HWND, detail::DestroyWindowHandle>;
// Events, threads and other kernel objects whose failure value is null.
using UniqueKernelObject = UniqueHandle<HANDLE, detail::CloseKernelObject>;
// Memory that the shell hands out to be freed with CoTaskMemFree (paths,
// item lists), and memory to be freed with LocalFree (texts of security
// calls).
template <typename Pointer>
using UniqueTaskMemory = UniqueHandle<Pointer, detail::FreeTaskMemory>;
template <typename Pointer>
using UniqueLocalMemory = UniqueHandle<Pointer, detail::FreeLocal>;

// Handles whose failure value is INVALID_HANDLE_VALUE, which cannot be a
// template argument: files from CreateFile (null counts as failure too) and
// searches from FindFirstFile.
template <BOOL(WINAPI* Release)(HANDLE)>
class UniqueInvalidableHandle {
  public:
    UniqueInvalidableHandle() = default;
    explicit UniqueInvalidableHandle(HANDLE handle) : handle_(handle) {}
    UniqueInvalidableHandle(const UniqueInvalidableHandle&) = delete;
    UniqueInvalidableHandle& operator=(const UniqueInvalidableHandle&) = delete;
    UniqueInvalidableHandle(UniqueInvalidableHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    UniqueInvalidableHandle& operator=(UniqueInvalidableHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ~UniqueInvalidableHandle() { reset(); }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void reset() {
        if (*this) Release(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

using UniqueFile = UniqueInvalidableHandle<CloseHandle>;
using UniqueFind = UniqueInvalidableHandle<FindClose>;

// COM on the calling thread, apartment-threaded, for as long as it lives:
// the shell's calls (running a program, the folder picker) need it.
class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        // A thread already in another apartment keeps it, and owes nothing.
        if (SUCCEEDED(result_)) CoUninitialize();
    }

  private:
    HRESULT result_;
};

// A COM interface, released when its owner goes.
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For calls that hand out an interface; drops the one held before.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

  private:
    Interface* pointer_ = nullptr;
};

// A device context from GetDC, released to its window.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the old one back.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace tolvane
