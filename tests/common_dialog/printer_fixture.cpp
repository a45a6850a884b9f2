#include "printer_fixture.h"

#include <windows.h>
#include <winspool.h>

#include "common_dialog/printer.h"

namespace tolvane::testing {

namespace {

// The spooler is not on the program's link list; the fixture binds what it
// needs at run time.
struct SpoolerCalls {
    decltype(&GetPrinterDriverDirectoryW) getDriverDirectory;
    decltype(&AddPrinterDriverExW) addDriver;
    decltype(&AddPrinterW) addPrinter;
    decltype(&OpenPrinterW) openPrinter;
    decltype(&DeletePrinter) deletePrinter;
    decltype(&ClosePrinter) closePrinter;
    decltype(&SetDefaultPrinterW) setDefault;
};

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

const SpoolerCalls& Spooler() {
    static const SpoolerCalls calls = [] {
        HMODULE module = LoadLibraryW(L"winspool.drv");
        SpoolerCalls bound{};
        bound.getDriverDirectory =
            Bind<decltype(bound.getDriverDirectory)>(module, "GetPrinterDriverDirectoryW");
        bound.addDriver = Bind<decltype(bound.addDriver)>(module, "AddPrinterDriverExW");
        bound.addPrinter = Bind<decltype(bound.addPrinter)>(module, "AddPrinterW");
        bound.openPrinter = Bind<decltype(bound.openPrinter)>(module, "OpenPrinterW");
        bound.deletePrinter = Bind<decltype(bound.deletePrinter)>(module, "DeletePrinter");
        bound.closePrinter = Bind<decltype(bound.closePrinter)>(module, "ClosePrinter");
        bound.setDefault = Bind<decltype(bound.setDefault)>(module, "SetDefaultPrinterW");
        return bound;
    }();
    return calls;
}

constexpr wchar_t kDriver[] = L"Wine PostScript Driver";
constexpr wchar_t kDescriptionFile[] = L"tolvane-test.ppd";

// Enough of a PostScript printer description for the driver to build its
// device: two paper sizes and a duplex unit.
constexpr char kDescription[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*ModelName: \"Tolvane test printer\"\n"
    "*ShortNickName: \"Tolvane test printer\"\n"
    "*NickName: \"Tolvane test printer\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: False\n"
    "*DefaultColorSpace: Gray\n"
    "*OpenUI *PageSize/Media Size: PickOne\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*PageSize Letter/Letter: \"<</PageSize[612 792]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"18 18 577 824\"\n"
    "*ImageableArea Letter/Letter: \"18 18 594 774\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*PaperDimension Letter/Letter: \"612 792\"\n"
    "*OpenUI *Duplex/Duplex: PickOne\n"
    "*DefaultDuplex: None\n"
    "*Duplex None/Off: \"<</Duplex false>>setpagedevice\"\n"
    "*Duplex DuplexNoTumble/Long Edge: \"<</Duplex true/Tumble false>>setpagedevice\"\n"
    "*Duplex DuplexTumble/Short Edge: \"<</Duplex true/Tumble true>>setpagedevice\"\n"
    "*CloseUI: *Duplex\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(001.005)\" Standard ROM\n";

bool WriteDescription() {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    if (!Spooler().getDriverDirectory(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), size,
                                      &size)) {
        return false;
    }
    // Version-3 drivers keep their files in the folder's subfolder "3".
    std::wstring path = std::wstring(folder) + L"\\3";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\";
    path += kDescriptionFile;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, kDescription, sizeof(kDescription) - 1, &written, nullptr);
    CloseHandle(file);
    return ok && written == sizeof(kDescription) - 1;
}

bool AddDriver() {
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriver);
    driver.pEnvironment = const_cast<wchar_t*>(sizeof(void*) == 8 ? L"Windows x64" : L"Windows NT x86");
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(kDescriptionFile);
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    return Spooler().addDriver(nullptr, 3, reinterpret_cast<BYTE*>(&driver), 0) ||
           GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
}

bool AddPrinter(const std::wstring& name) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE printer = Spooler().addPrinter(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) return false;
    Spooler().closePrinter(printer);
    return true;
}

}  // namespace

InstalledTestPrinter::InstalledTestPrinter(const std::wstring& name) : name_(name) {
    ok_ =
        WriteDescription() && AddDriver() && AddPrinter(name) && Spooler().setDefault(name.c_str());
    Printer().Reset();
}

InstalledTestPrinter::~InstalledTestPrinter() {
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (Spooler().openPrinter(const_cast<wchar_t*>(name_.c_str()), &printer, &access)) {
        Spooler().deletePrinter(printer);
        Spooler().closePrinter(printer);
    }
    Printer().Reset();
}

}  // namespace tolvane::testing
