#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/dialog_handles.h"
#include "common_dialog/dialog_observer.h"
#include "common_dialog/dlg_lib.h"
#include "common_dialog/numeric_text.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

// The face name is checked against a field of 33 bytes, one more than the
// platform's, so a 32-byte name may arrive without its terminator; the
// platform reads no further than its 32.
constexpr size_t kFaceNameField = 33;

// Screen fonts with effects, starting from the LOGFONT. A flags word of -1
// asks for the same: the only device context at hand is the owner window's,
// so printer fonts, hooks and templates are out of reach, and any other
// choice would leave the dialog without fonts to offer.
constexpr DWORD kFontDialogFlags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;

// GetTextFaceA's buffer: 80 characters, of which it may fill 79.
constexpr int kFaceBufferChars = 80;
constexpr int kFaceBufferLimit = 79;

void SetFaceName(LOGFONTA& font, const std::wstring& fontName) {
    std::string bytes = ToAnsi(fontName);
    if (bytes.size() + 1 > kFaceNameField) throw RaisedError(kErrSubscript, "face name too long");
    std::memcpy(font.lfFaceName, bytes.data(), std::min(bytes.size(), sizeof(font.lfFaceName)));
}

int32_t PointSize(int32_t fontSize) {
    int64_t tenths = static_cast<int64_t>(fontSize) * 10;
    if (tenths < INT32_MIN || tenths > INT32_MAX) throw RaisedError(kErrOverflow, "font size");
    return static_cast<int32_t>(tenths);
}

// The record's address, as lstrcpyA returns it when asked to copy the record
// onto itself. lfWidth is always zero, so the copy ends within the first
// eight bytes and changes nothing.
LOGFONTA* LogFontAddress(LOGFONTA& font) {
    auto* bytes = reinterpret_cast<LPSTR>(&font);
    return reinterpret_cast<LOGFONTA*>(DlgLib::lstrcpyA(bytes, bytes));
}

// The face name of the font selected into |dc|: GetTextFaceA's count of
// bytes, not characters, marks its end.
std::wstring TextFace(HDC dc) {
    char face[kFaceBufferChars] = {};
    DlgLib::lngReturn = DlgLib::GetTextFaceA(dc, kFaceBufferLimit, face);
    int count = std::clamp(DlgLib::lngReturn, 0, kFaceBufferLimit);
    return FromAnsi(std::string_view(face, strnlen(face, static_cast<size_t>(count))));
}

}  // namespace

void CommDlg::RunFontAction() {
    LOGFONTA font{};
    SetFaceName(font, fontName_);
    font.lfHeight = RoundToLong(static_cast<double>(fontSize_) * 1.3);
    font.lfItalic = italic_ ? 1 : 0;
    font.lfUnderline = underline_ ? 1 : 0;
    font.lfStrikeOut = strikeThru_ ? 1 : 0;
    if (bold_) font.lfWeight = FW_BOLD;

    ApplyOwnerDefault();
    WindowDc dc(AsWindow(owner_));
    CHOOSEFONTA record{};
    record.lStructSize = sizeof(record);
    record.hwndOwner = AsWindow(owner_);
    record.hDC = dc.get();
    record.lpLogFont = LogFontAddress(font);
    record.Flags = kFontDialogFlags;
    record.rgbColors = static_cast<COLORREF>(rgbResult_);
    record.nFontType = SCREEN_FONTTYPE;
    record.iPointSize = PointSize(fontSize_);
    if (DialogObserver* observer = CurrentDialogObserver()) observer->BeforeFontDialog(record);
    DlgLib::lngReturn = DlgLib::ChooseFontA(&record);
    if (DlgLib::lngReturn == 0) RaiseCancel();

    italic_ = font.lfItalic ? kTrue : kFalse;
    underline_ = font.lfUnderline ? kTrue : kFalse;
    strikeThru_ = font.lfStrikeOut ? kTrue : kFalse;
    fontSize_ = record.iPointSize / 10;
    rgbResult_ = static_cast<int32_t>(record.rgbColors);
    bold_ = (record.nFontType & BOLD_FONTTYPE) ? kTrue : kFalse;

    UniqueFont chosen(DlgLib::CreateFontIndirectA(&font));
    if (!chosen) return;
    SelectedObject selection(dc.get(), chosen.get());
    fontName_ = TextFace(dc.get());
}

}  // namespace tolvane
