// The program's current printer: the printer that its printing would use,
// with the settings the program keeps for it. It starts as the platform's
// default printer and changes when the program selects another one, as the
// printer dialog does. Reads fail with a raised error when the system has no
// printer at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvane {

// Raised when the system offers no printer to read from.
inline constexpr int kErrPrinterInfo = 484;
// Raised by a setter given a value that the setting cannot take.
inline constexpr int kErrInvalidPropertyValue = 380;

struct PrinterSettings {
    std::wstring deviceName;  // the printer's name, as the user sees it
    std::wstring driverName;  // the driver's file name without its extension
    std::wstring port;
    int16_t orientation = 1;  // DMORIENT_PORTRAIT or DMORIENT_LANDSCAPE
    int16_t duplex = 1;       // DMDUP_SIMPLEX, DMDUP_VERTICAL or DMDUP_HORIZONTAL
    int16_t copies = 1;
};

class CurrentPrinter {
  public:
    std::wstring DeviceName() { return Settings().deviceName; }
    std::wstring DriverName() { return Settings().driverName; }
    std::wstring Port() { return Settings().port; }
    int16_t Orientation() { return Settings().orientation; }
    int16_t Duplex() { return Settings().duplex; }
    int16_t Copies() { return Settings().copies; }

    void Orientation(int16_t value);
    void Duplex(int16_t value);
    void Copies(int16_t value);

    // Makes |printer| the current printer, settings and all.
    void Select(const PrinterSettings& printer) { selected_ = printer; }
    // Goes back to the platform's default printer, read afresh at next use.
    void Reset() { selected_.reset(); }

  private:
    PrinterSettings& Settings();

    std::optional<PrinterSettings> selected_;
};

// The one current printer of the running program.
CurrentPrinter& Printer();

// The printers installed on the system, in the platform's order.
std::vector<PrinterSettings> InstalledPrinters();

}  // namespace tolvane
