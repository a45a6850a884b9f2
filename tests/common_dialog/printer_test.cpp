#include <gtest/gtest.h>

#include <cstring>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/printer.h"
#include "dialog_test_support.h"
#include "printer_fixture.h"

namespace tolvane {
namespace {

using namespace std::string_literals;
using testing::ActiveWindow;
using testing::AnswerMessageBox;
using testing::CancelDialog;
using testing::ConfirmDialog;
using testing::DialogScript;
using testing::InstalledTestPrinter;
using testing::MessageBoxSeen;
using testing::RecordingObserver;
using testing::RunAction;

int16_t Offset(const std::string& names, int index) {
    int16_t offset = 0;
    std::memcpy(&offset, names.data() + 2 * index, 2);
    return offset;
}

// Each test starts from the system's own printers, and leaves nothing selected.
class PrinterDialog : public ::testing::Test {
  protected:
    void SetUp() override { Printer().Reset(); }
    void TearDown() override { Printer().Reset(); }
};

TEST_F(PrinterDialog, WithoutAnyPrinterEachReadFailureIsShownThenTheActionFails) {
    ASSERT_TRUE(InstalledPrinters().empty());
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    MessageBoxSeen boxes[3];
    DialogScript script({AnswerMessageBox(&boxes[0], IDOK), AnswerMessageBox(&boxes[1], IDOK),
                         AnswerMessageBox(&boxes[2], IDOK)});
    EXPECT_EQ(RunAction(dlg, 5), kErrPrinterInfo);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    for (const MessageBoxSeen& box : boxes) {
        EXPECT_EQ(box.title, L"Printer Error");
        EXPECT_EQ(box.text, L"无法从系统获取打印机信息。请确认打印机已正确安装。");
        EXPECT_EQ(box.style & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(box.owner, window.get());
    }
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST_F(PrinterDialog, DeviceNamesAndModeDescribeTheCurrentPrinter) {
    // A printer that only the program knows: the platform's dialog has none
    // to offer, says so, and fails; the records went out all the same.
    Printer().Select({L"Printer A", L"winspool", L"LPT1:", DMORIENT_LANDSCAPE, DMDUP_VERTICAL, 2});
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.flags(PD_USEDEVMODECOPIESANDCOLLATE);
    MessageBoxSeen noPrinters;
    DialogScript script({AnswerMessageBox(&noPrinters, IDOK)});
    EXPECT_EQ(RunAction(dlg, 5), kErrCancel);
    ASSERT_EQ(seen.calls, 1);

    EXPECT_EQ(seen.printer.lStructSize, testing::kExpectedPrinterRecordSize);
    EXPECT_EQ(seen.printer.hwndOwner, window.get());
    EXPECT_NE(seen.printer.hDC, nullptr);
    EXPECT_EQ(seen.printer.Flags, static_cast<DWORD>(PD_USEDEVMODECOPIESANDCOLLATE));
    EXPECT_TRUE(seen.devNamesMovable);
    EXPECT_TRUE(seen.devModeMovable);

    const std::string& names = seen.devNames;
    ASSERT_GE(names.size(), 108u);
    EXPECT_EQ(Offset(names, 0), 8);
    EXPECT_EQ(Offset(names, 1), 17);
    EXPECT_EQ(Offset(names, 2), 27);
    EXPECT_EQ(Offset(names, 3), 0);
    EXPECT_EQ(names.substr(8, 100), "winspool\0Printer A\0LPT1:\0"s + std::string(75, ' '));

    const std::string& mode = seen.devMode;
    ASSERT_GE(mode.size(), 122u);
    DEVMODEA record{};
    std::memcpy(&record, mode.data(), 122);
    EXPECT_STREQ(reinterpret_cast<const char*>(record.dmDeviceName), "Printer A");
    EXPECT_EQ(record.dmSize, 122);
    EXPECT_EQ(record.dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_DUPLEX));
    EXPECT_EQ(record.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(record.dmDuplex, DMDUP_VERTICAL);

    // A failed dialog changes nothing: not the owner, not the current printer.
    EXPECT_EQ(dlg.Owner(), window.value());
    EXPECT_EQ(Printer().DeviceName(), L"Printer A");
    EXPECT_EQ(Printer().Copies(), 2);
}

TEST_F(PrinterDialog, NamesAreMeasuredInBytesAndNeverCut) {
    const std::wstring longPort(120, L'P');
    Printer().Select({L"打印机", L"winspool", longPort, 1, 1, 1});
    RecordingObserver seen;
    CommDlg dlg;
    DialogScript script({AnswerMessageBox(nullptr, IDOK)});
    EXPECT_EQ(RunAction(dlg, 5), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    const std::string& names = seen.devNames;
    EXPECT_EQ(Offset(names, 1), 17);
    EXPECT_EQ(Offset(names, 2), 24);  // three characters, six bytes
    ASSERT_GE(names.size(), 24u + 121u);
    EXPECT_EQ(names.substr(17, 7), "\xB4\xF2\xD3\xA1\xBB\xFA\0"s);
    EXPECT_EQ(names.substr(24, 121), std::string(120, 'P') + '\0');
}

TEST_F(PrinterDialog, OverlongDeviceNameIsCutWithItsTerminatorInTheDeviceMode) {
    Printer().Select({std::wstring(40, L'D'), L"winspool", L"LPT1:", 1, 1, 1});
    RecordingObserver seen;
    CommDlg dlg;
    DialogScript script({AnswerMessageBox(nullptr, IDOK)});
    EXPECT_EQ(RunAction(dlg, 5), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    DEVMODEA record{};
    std::memcpy(&record, seen.devMode.data(), 122);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.dmDeviceName), 32),
              std::string(31, 'D') + '\0');
}

class RealPrinterDialog : public PrinterDialog {
  protected:
    void SetUp() override {
        PrinterDialog::SetUp();
        ASSERT_TRUE(printer_.ok());
    }
    InstalledTestPrinter printer_{L"Tolvane Test Printer"};
};

TEST_F(RealPrinterDialog, CurrentPrinterStartsAsTheDefault) {
    EXPECT_EQ(Printer().DeviceName(), L"Tolvane Test Printer");
    EXPECT_EQ(Printer().Port(), L"FILE:");
    EXPECT_FALSE(Printer().DriverName().empty());
    EXPECT_EQ(Printer().Orientation(), DMORIENT_PORTRAIT);
    EXPECT_EQ(Printer().Copies(), 1);
}

TEST_F(RealPrinterDialog, CancelledRaisesZeroAndChangesNothing) {
    ActiveWindow window;
    RecordingObserver seen;
    Printer().Copies(4);
    CommDlg dlg;
    dlg.flags(PD_USEDEVMODECOPIESANDCOLLATE);
    DialogScript script({CancelDialog(
        [](HWND dialog) { testing::SetControlText(dialog, testing::kCopiesBox, L"3"); })});
    EXPECT_EQ(RunAction(dlg, 5), kErrCancel);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(dlg.Owner(), window.value());
    EXPECT_EQ(Printer().DeviceName(), L"Tolvane Test Printer");
    EXPECT_EQ(Printer().Copies(), 4);
}

TEST_F(RealPrinterDialog, ConfirmedAppliesCopiesAndLeavesTheRecordsDeviceContextInOwner) {
    ActiveWindow window;
    RecordingObserver seen;
    // The program's selection differs from the installed printer only in
    // its port; the walk over the installed printers puts the real one back,
    // because the name has lower-case letters.
    Printer().Select({L"Tolvane Test Printer", L"winspool", L"XYZ:", 1, 1, 1});
    CommDlg dlg;
    dlg.flags(PD_USEDEVMODECOPIESANDCOLLATE);
    DialogScript script({ConfirmDialog(
        [](HWND dialog) { testing::SetControlText(dialog, testing::kCopiesBox, L"3"); })});
    EXPECT_EQ(RunAction(dlg, 5), -1);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_NE(dlg.Owner(), window.value());
    EXPECT_EQ(dlg.Owner(), static_cast<int32_t>(reinterpret_cast<intptr_t>(seen.printer.hDC)));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<intptr_t>(dlg.Owner()))));
    EXPECT_EQ(Printer().DeviceName(), L"Tolvane Test Printer");
    EXPECT_EQ(Printer().Port(), L"FILE:");
    EXPECT_EQ(Printer().Copies(), 3);
}

TEST_F(RealPrinterDialog, SetupDialogAppliesOrientation) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.flags(PD_PRINTSETUP);
    DialogScript script({ConfirmDialog(
        [](HWND dialog) { testing::ClickButton(dialog, testing::kLandscapeButton); })});
    EXPECT_EQ(RunAction(dlg, 5), -1);
    EXPECT_EQ(Printer().Orientation(), DMORIENT_LANDSCAPE);
}

TEST_F(RealPrinterDialog, ReturnedPrinterDeviceContextGoesToOwner) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.flags(PD_RETURNDC);
    DialogScript script({ConfirmDialog([](HWND) {})});
    EXPECT_EQ(RunAction(dlg, 5), -1);
    auto dc = reinterpret_cast<HDC>(static_cast<intptr_t>(dlg.Owner()));
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_DC));
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    DeleteDC(dc);
}

class UpperCasePrinterDialog : public PrinterDialog {
  protected:
    void SetUp() override {
        PrinterDialog::SetUp();
        ASSERT_TRUE(printer_.ok());
    }
    InstalledTestPrinter printer_{L"TOLVANE PS"};
};

TEST_F(UpperCasePrinterDialog, NameAlreadyCurrentInUpperCaseSkipsTheWalk) {
    ActiveWindow window;
    // Only the program's own port tells whether the walk selected the
    // installed printer again.
    Printer().Select({L"TOLVANE PS", L"winspool", L"XYZ:", 1, 1, 1});
    CommDlg dlg;
    dlg.flags(PD_USEDEVMODECOPIESANDCOLLATE);
    DialogScript script({ConfirmDialog(
        [](HWND dialog) { testing::SetControlText(dialog, testing::kCopiesBox, L"2"); })});
    EXPECT_EQ(RunAction(dlg, 5), -1);
    EXPECT_EQ(Printer().Port(), L"XYZ:");
    EXPECT_EQ(Printer().Copies(), 2);
}

}  // namespace
}  // namespace tolvane
