#include "common_dialog/printer.h"

#include <windows.h>
#include <winspool.h>

#include "common_dialog/raised_error.h"
#include "toolkit/handles.h"

namespace tolvane {

namespace {

using GetDefaultPrinterFn = BOOL(WINAPI*)(LPWSTR, LPDWORD);
using EnumPrintersFn = BOOL(WINAPI*)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

void FreeLibraryHandle(HMODULE module) {
    FreeLibrary(module);
}
using UniqueLibrary = UniqueHandle<HMODULE, FreeLibraryHandle>;

// The spooler's functions, bound at first use so that a program that never
// prints never loads the spooler's library.
struct Spooler {
    UniqueLibrary library;
    GetDefaultPrinterFn getDefaultPrinter = nullptr;
    EnumPrintersFn enumPrinters = nullptr;
};

const Spooler& TheSpooler() {
    static const Spooler spooler = [] {
        Spooler bound;
        bound.library.reset(LoadLibraryW(L"winspool.drv"));
        if (!bound.library) return bound;
        bound.getDefaultPrinter = reinterpret_cast<GetDefaultPrinterFn>(
            GetProcAddress(bound.library.get(), "GetDefaultPrinterW"));
        bound.enumPrinters =
            reinterpret_cast<EnumPrintersFn>(GetProcAddress(bound.library.get(), "EnumPrintersW"));
        return bound;
    }();
    return spooler;
}

// The driver as a device-names record names it: the first entry of the
// printer's line in the system's device list ("winspool" on every printer
// that the spooler serves).
std::wstring DriverFileName(const std::wstring& printerName) {
    wchar_t line[512] = {};
    GetProfileStringW(L"Devices", printerName.c_str(), L"", line, 512);
    std::wstring driver(line);
    driver = driver.substr(0, driver.find(L','));
    return driver.empty() ? L"winspool" : driver;
}

int16_t FieldOr(const DEVMODEW* mode, DWORD field, short value, short fallback) {
    return mode && (mode->dmFields & field) ? value : fallback;
}

PrinterSettings FromPrinterInfo(const PRINTER_INFO_2W& info) {
    PrinterSettings printer;
    printer.deviceName = info.pPrinterName ? info.pPrinterName : L"";
    printer.port = info.pPortName ? info.pPortName : L"";
    printer.driverName = DriverFileName(printer.deviceName);
    const DEVMODEW* mode = info.pDevMode;
    if (mode) {
        printer.orientation = FieldOr(mode, DM_ORIENTATION, mode->dmOrientation, 1);
        printer.duplex = FieldOr(mode, DM_DUPLEX, mode->dmDuplex, 1);
        printer.copies = FieldOr(mode, DM_COPIES, mode->dmCopies, 1);
    }
    return printer;
}

std::wstring DefaultPrinterName() {
    const Spooler& spooler = TheSpooler();
    if (!spooler.getDefaultPrinter) return {};
    DWORD size = 0;
    spooler.getDefaultPrinter(nullptr, &size);
    if (size == 0) return {};
    std::wstring name(size, L'\0');
    if (!spooler.getDefaultPrinter(name.data(), &size)) return {};
    return name.substr(0, name.find(L'\0'));
}

}  // namespace

std::vector<PrinterSettings> InstalledPrinters() {
    const Spooler& spooler = TheSpooler();
    std::vector<PrinterSettings> printers;
    if (!spooler.enumPrinters) return printers;
    const DWORD which = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    spooler.enumPrinters(which, nullptr, 2, nullptr, 0, &needed, &count);
    // Printers may come and go between the two calls; ask until the buffer fits.
    std::vector<BYTE> buffer;
    while (needed > buffer.size()) {
        buffer.resize(needed);
        if (spooler.enumPrinters(which, nullptr, 2, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &needed, &count)) {
            auto* infos = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
            for (DWORD i = 0; i < count; ++i) printers.push_back(FromPrinterInfo(infos[i]));
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return printers;
}

PrinterSettings& CurrentPrinter::Settings() {
    if (selected_) return *selected_;
    std::vector<PrinterSettings> printers = InstalledPrinters();
    if (printers.empty()) throw RaisedError(kErrPrinterInfo, "no printer");
    std::wstring name = DefaultPrinterName();
    selected_ = printers.front();
    for (const PrinterSettings& printer : printers) {
        if (printer.deviceName == name) selected_ = printer;
    }
    return *selected_;
}

void CurrentPrinter::Orientation(int16_t value) {
    if (value != DMORIENT_PORTRAIT && value != DMORIENT_LANDSCAPE) {
        throw RaisedError(kErrInvalidPropertyValue);
    }
    Settings().orientation = value;
}

void CurrentPrinter::Duplex(int16_t value) {
    if (value < DMDUP_SIMPLEX || value > DMDUP_HORIZONTAL) {
        throw RaisedError(kErrInvalidPropertyValue);
    }
    Settings().duplex = value;
}

void CurrentPrinter::Copies(int16_t value) {
    if (value < 1) throw RaisedError(kErrInvalidPropertyValue);
    Settings().copies = value;
}

CurrentPrinter& Printer() {
    static CurrentPrinter printer;
    return printer;
}

}  // namespace tolvane
