// The quick reference: a small window beside the main one (F1, or
// 帮助 > 使用说明) that explains the columns, every note of the status
// column, the keys and mouse actions, where the settings are kept and what
// the clean-up saves, as read-only text that scrolls.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane {

inline constexpr wchar_t kQuickReferenceClass[] = L"TolvaneQuickReference";
inline constexpr wchar_t kQuickReferenceCaption[] = L"Tolvane 使用说明";

// The reference's text, lines separated by CR LF.
std::wstring QuickReferenceText();

// Opens the reference owned by |owner|, or brings the one already open to
// the front; returns its window. Esc or the close box closes it.
HWND ShowQuickReference(HWND owner);

// The reference that |owner| has open, or null.
HWND FindQuickReference(HWND owner);

}  // namespace tolvane
