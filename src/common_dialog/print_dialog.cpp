#include <algorithm>
#include <cstring>
#include <vector>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/dialog_handles.h"
#include "common_dialog/dialog_observer.h"
#include "common_dialog/dlg_lib.h"
#include "common_dialog/printer.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

// The device-mode record that the dialog receives: DEVMODEA up to and
// including dmLogPixels, and 18 bytes of the display fields after it.
constexpr size_t kDevModeBytes = 122;
constexpr DWORD kDevModeFields = DM_ORIENTATION | DM_DUPLEX;

// Device names: four 16-bit offsets, then the names in a text of at least
// 100 bytes, filled with spaces.
constexpr size_t kDevNamesHeader = 8;
constexpr size_t kDevNamesText = 100;
// How much of the returned device names is read back. Nothing uses them: the
// chosen printer is known by the device mode's name.
constexpr size_t kDevNamesReadBack = 45;

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

// How often a failing read of the current printer is tried before the
// printer dialog gives up.
constexpr int kPrinterAttempts = 3;

std::wstring ErrorDescription(const RaisedError& error) {
    if (error.number() == kErrPrinterInfo) {
        return L"无法从系统获取打印机信息。请确认打印机已正确安装。";
    }
    return L"运行时错误 " + std::to_wstring(error.number());
}

// Reads a setting of the current printer; each failure is shown to the user
// and the read is tried again, up to kPrinterAttempts times in all.
template <typename Read>
auto ReadPrinter(HWND owner, Read read) {
    for (int attempt = 1;; ++attempt) {
        try {
            return read();
        } catch (const RaisedError& error) {
            MessageBoxW(owner, ErrorDescription(error).c_str(), L"Printer Error",
                        MB_ICONEXCLAMATION | MB_OK);
            if (attempt == kPrinterAttempts) throw;
        }
    }
}

// Copies |name| into a 32-byte device-name field with its terminator,
// cutting it at a character boundary when it does not fit.
void SetDeviceName(DEVMODEA& mode, const std::wstring& name) {
    std::wstring cut = name;
    std::string bytes = ToAnsi(cut);
    while (bytes.size() >= sizeof(mode.dmDeviceName)) {
        cut.pop_back();
        bytes = ToAnsi(cut);
    }
    std::memset(mode.dmDeviceName, 0, sizeof(mode.dmDeviceName));
    std::memcpy(mode.dmDeviceName, bytes.data(), bytes.size());
}

DEVMODEA DeviceMode(HWND owner) {
    DEVMODEA mode{};
    CurrentPrinter& printer = Printer();
    std::wstring name = ReadPrinter(owner, [&] { return printer.DeviceName(); });
    SetDeviceName(mode, name);
    mode.dmSize = kDevModeBytes;
    mode.dmFields = kDevModeFields;
    mode.dmOrientation = ReadPrinter(owner, [&] { return printer.Orientation(); });
    try {
        mode.dmDuplex = printer.Duplex();
    } catch (const RaisedError&) {
        mode.dmDuplex = 0;
    }
    return mode;
}

int16_t NextOffset(size_t offset, const std::string& name) {
    size_t next = offset + name.size() + 1;
    if (next > INT16_MAX) throw RaisedError(kErrOverflow, "device names too long");
    return static_cast<int16_t>(next);
}

// The device-names record. Offsets count the bytes that the names take in
// the code page, so that names with double-byte characters are found; names
// that outgrow the 100-byte text get a longer text rather than being cut.
std::vector<char> DeviceNames() {
    CurrentPrinter& printer = Printer();
    std::string driver = ToAnsi(printer.DriverName());
    std::string device = ToAnsi(printer.DeviceName());
    std::string port = ToAnsi(printer.Port());
    DEVNAMES offsets{};
    offsets.wDriverOffset = kDevNamesHeader;
    offsets.wDeviceOffset = NextOffset(offsets.wDriverOffset, driver);
    offsets.wOutputOffset = NextOffset(offsets.wDeviceOffset, device);
    offsets.wDefault = 0;
    std::string text = driver + '\0' + device + '\0' + port + '\0';
    if (text.size() < kDevNamesText) text.resize(kDevNamesText, ' ');
    std::vector<char> record(kDevNamesHeader + text.size());
    std::memcpy(record.data(), &offsets, kDevNamesHeader);
    std::memcpy(record.data() + kDevNamesHeader, text.data(), text.size());
    return record;
}

// A movable, zero-filled block holding |bytes|.
UniqueGlobal BlockOf(const void* bytes, size_t size) {
    UniqueGlobal block(DlgLib::GlobalAlloc(kBlockFlags, size));
    if (void* memory = DlgLib::GlobalLock(block.get())) {
        DlgLib::RtlMoveMemory(memory, bytes, size);
        DlgLib::lngReturn = DlgLib::GlobalUnlock(block.get());
    }
    return block;
}

// Copies up to |size| bytes out of |block|, never past its end.
void ReadBlock(HGLOBAL block, void* bytes, size_t size) {
    if (void* memory = DlgLib::GlobalLock(block)) {
        DlgLib::RtlMoveMemory(bytes, memory, std::min<size_t>(size, GlobalSize(block)));
        DlgLib::lngReturn = DlgLib::GlobalUnlock(block);
    }
}

// The printer that the dialog chose, in upper case.
std::wstring ChosenPrinter(const DEVMODEA& mode) {
    auto* name = reinterpret_cast<const char*>(mode.dmDeviceName);
    const void* nul = std::memchr(name, 0, sizeof(mode.dmDeviceName));
    if (!nul) throw RaisedError(kErrInvalidArgument, "device name without end");
    return Folded(FromAnsi(std::string_view(name, static_cast<const char*>(nul) - name)));
}

void SelectChosenPrinter(const std::wstring& chosen) {
    if (chosen == Printer().DeviceName()) return;
    // Every match is selected in turn, so with several the last one stays.
    for (const PrinterSettings& printer : InstalledPrinters()) {
        if (Folded(printer.deviceName) == chosen) Printer().Select(printer);
    }
}

// The dialog's settings go to the current printer; a setting that the
// printer refuses is left as it was.
void ApplySettings(const DEVMODEA& mode) {
    CurrentPrinter& printer = Printer();
    try {
        printer.Copies(mode.dmCopies);
    } catch (const RaisedError&) {
    }
    try {
        printer.Duplex(mode.dmDuplex);
    } catch (const RaisedError&) {
    }
    try {
        printer.Orientation(mode.dmOrientation);
    } catch (const RaisedError&) {
    }
}

}  // namespace

void CommDlg::RunPrinterAction() {
    ApplyOwnerDefault();
    WindowDc dc(AsWindow(owner_));
    PRINTDLGA record{};
    record.lStructSize = sizeof(record);
    record.hwndOwner = AsWindow(owner_);
    record.hDC = dc.get();
    record.Flags = static_cast<DWORD>(flags_);

    DEVMODEA mode = DeviceMode(record.hwndOwner);
    UniqueGlobal modeBlock = BlockOf(&mode, kDevModeBytes);
    std::vector<char> names = DeviceNames();
    UniqueGlobal namesBlock = BlockOf(names.data(), names.size());

    record.hDevMode = modeBlock.get();
    record.hDevNames = namesBlock.get();
    if (DialogObserver* observer = CurrentDialogObserver()) observer->BeforePrinterDialog(record);
    modeBlock.release();
    namesBlock.release();
    DlgLib::lngReturn = DlgLib::PrintDlgA(&record);
    // The dialog may have replaced either block; from here on the record's
    // blocks are the ones to free, confirmed or not.
    modeBlock.reset(record.hDevMode);
    namesBlock.reset(record.hDevNames);
    if (DlgLib::lngReturn == 0) RaiseCancel();

    // With PD_RETURNDC the dialog leaves a printer DC here for the caller to
    // use and delete; without it the window's DC, released below.
    owner_ = AsLong(record.hDC);
    ReadBlock(namesBlock.get(), names.data(), std::min(kDevNamesReadBack, names.size()));
    namesBlock.reset();
    ReadBlock(modeBlock.get(), &mode, kDevModeBytes);
    modeBlock.reset();

    SelectChosenPrinter(ChosenPrinter(mode));
    ApplySettings(mode);
}

}  // namespace tolvane
