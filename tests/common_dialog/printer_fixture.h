// A real printer in the test's Wine prefix: the PostScript driver that Wine
// ships, printing to FILE:, with a small printer description of our own.
// Installing it makes it the system's default printer; removing it leaves
// the system without printers again. Either way the program's current
// printer is forgotten, so that it is read afresh.
#pragma once

#include <string>

namespace tolvane::testing {

class InstalledTestPrinter {
  public:
    explicit InstalledTestPrinter(const std::wstring& name);
    ~InstalledTestPrinter();
    InstalledTestPrinter(const InstalledTestPrinter&) = delete;
    InstalledTestPrinter& operator=(const InstalledTestPrinter&) = delete;

    bool ok() const { return ok_; }
    const std::wstring& name() const { return name_; }

  private:
    std::wstring name_;
    bool ok_ = false;
};

}  // namespace tolvane::testing
