// DlgLib: the platform functions that CommDlg::Action calls, gathered in one
// place so that every call into the dialogs' libraries reads as DlgLib::X,
// and the result of the latest call that Action tests.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstdint>

// The SDK headers turn RtlMoveMemory into memmove; Action calls kernel32's
// own export.
#ifdef RtlMoveMemory
#undef RtlMoveMemory
#endif
extern "C" __declspec(dllimport) void WINAPI
    RtlMoveMemory(void* Destination, const void* Source, SIZE_T Length);

namespace tolvane::DlgLib {

using ::ChooseColorA;         // comdlg32.dll
using ::ChooseFontA;          // comdlg32.dll
using ::CreateFontIndirectA;  // gdi32
using ::GetActiveWindow;      // user32
using ::GetDC;                // user32
using ::GetOpenFileNameA;     // comdlg32.dll
using ::GetSaveFileNameA;     // comdlg32.dll
using ::GetTextFaceA;         // gdi32
using ::GlobalAlloc;          // kernel32
using ::GlobalFree;           // kernel32
using ::GlobalLock;           // kernel32
using ::GlobalUnlock;         // kernel32
using ::lstrcpyA;             // kernel32
using ::PrintDlgA;            // comdlg32.dll
using ::RtlMoveMemory;        // kernel32
using ::SelectObject;         // gdi32
using ::WinHelpA;             // user32

// The result of the most recent platform call whose result Action tests.
// Never reset; only Action reads or writes it.
inline int32_t lngReturn = 0;

}  // namespace tolvane::DlgLib
