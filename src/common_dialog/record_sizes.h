// The sizes of the common dialogs' records on the architecture being built:
// the packed 32-bit forms on x86, the platform's naturally aligned forms on
// x86-64. The dialogs check lStructSize against exactly these.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

namespace tolvane {

#ifdef _WIN64
inline constexpr DWORD kFileRecordSize = 136;  // OPENFILENAME_SIZE_VERSION_400A
inline constexpr size_t kColourRecordSize = 72;
inline constexpr size_t kFontRecordSize = 104;
inline constexpr size_t kPrinterRecordSize = 120;
#else
inline constexpr DWORD kFileRecordSize = 76;  // OPENFILENAME_SIZE_VERSION_400A
inline constexpr size_t kColourRecordSize = 36;
inline constexpr size_t kFontRecordSize = 60;
inline constexpr size_t kPrinterRecordSize = 66;  // packed
#endif

// The open and save record without its later extension fields, a layout
// that every version of the dialogs accepts.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kFileRecordSize,
              "OPENFILENAME must end its old form where the platform's old form ends");
static_assert(sizeof(CHOOSECOLORA) == kColourRecordSize, "CHOOSECOLOR has the platform's size");
static_assert(sizeof(CHOOSEFONTA) == kFontRecordSize, "CHOOSEFONT has the platform's size");
static_assert(sizeof(PRINTDLGA) == kPrinterRecordSize, "PRINTDLG has the platform's size");

}  // namespace tolvane
