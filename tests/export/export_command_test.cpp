// The two export commands on the real main window, answered through the real
// save dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <memory>

#include "export/export_commands.h"
#include "export/export_writer.h"
#include "export/text_file.h"
#include "store/registry_snapshot.h"
#include "export_files.h"
#include "support/dialogs.h"
#include "support/files.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/narrow.h"
#include "toolkit/toolkit.h"
#include "xml_reader.h"

namespace tolvane::testing {
namespace {

constexpr wchar_t kHtmlTitle[] = L"导出为HTML文件";
constexpr wchar_t kXmlTitle[] = L"导出为XML文件";
constexpr int kFileNameField = cmb13;
constexpr int kFileTypeField = cmb1;

// Save dialogs answered so far in this program.
int g_dialogsAnswered = 0;

SYSTEMTIME WorkedClock() {
    return WorkedExampleTime();
}

std::wstring Lower(std::wstring text) {
    CharLowerW(text.data());
    return text;
}

// What the save dialog showed when it opened, and what came after it.
struct SaveRun {
    bool shown = false;
    std::wstring proposedName;
    std::wstring fileType;
    std::wstring folder;
    bool ownedByMainWindow = false;
    std::vector<std::wstring> laterDialogs;  // titles of any #32770 after it
    std::vector<std::wstring> laterTexts;    // and the texts of those that were message boxes
    bool timedOut = false;
};

std::wstring FolderOf(HWND dialog) {
    char folder[MAX_PATH] = {};
    // The dialog is a narrow one: it answers in the ANSI code page.
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return FromAnsiBuffer(folder, MAX_PATH);
}

// Reads the save dialog titled |title|, types |path| into it and presses
// |button|.
DialogStep AnswerSaveDialog(const wchar_t* title, const std::wstring& path, int button,
                            HWND mainWindow, SaveRun& run) {
    return OnDialogTitled(title, [&run, path, button, mainWindow](HWND dialog) {
        run.shown = true;
        ++g_dialogsAnswered;
        run.proposedName = ControlText(dialog, kFileNameField);
        run.fileType = ControlText(dialog, kFileTypeField);
        run.folder = FolderOf(dialog);
        run.ownedByMainWindow = GetWindow(dialog, GW_OWNER) == mainWindow;
        SetControlText(dialog, kFileNameField, path);
        PressButton(dialog, button);
    });
}

// Any dialog after the save dialog is a fault of a silent command.
DialogStep RecordAnyLaterDialog(SaveRun& run) {
    return {[](HWND) { return true; },
            [&run](HWND dialog) {
                run.laterDialogs.push_back(WindowText(dialog));
                if (IsMessageBox(dialog)) run.laterTexts.push_back(ReadMessageBox(dialog).text);
                PressButton(dialog, IsMessageBox(dialog) ? IDOK : IDCANCEL);
            }};
}

class ExportCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        SetExportClock(WorkedClock);
        ClearAppPaths();
        main_ = std::make_unique<MainForm>();
        ASSERT_TRUE(main_->hwnd);
        // Shown and active, as when the user picks the menu item.
        ShowWindow(main_->hwnd, SW_SHOW);
        SetActiveWindow(main_->hwnd);
    }
    void TearDown() override {
        main_.reset();
        SetExportClock(nullptr);
        ClearAppPaths();
    }

    FrmMain& form() { return main_->form; }

    // What the window lists, as the exports receive it.
    void FillList(const std::vector<Row>& rows) {
        listed_.clear();
        for (const Row& row : rows) AddRow(TextEntry(row.name, row.path));
    }
    void AddRow(AppPathEntry entry) {
        listed_.push_back(std::move(entry));
        form().list.Show(listed_);
    }

    // Runs |command|, typing |path| into its save dialog and pressing Save,
    // or Cancel when |button| says so.
    SaveRun Export(void (*command)(FrmMain&), const wchar_t* title, const std::wstring& path,
                   int button = IDOK) {
        SaveRun run;
        DialogScript script(
            {AnswerSaveDialog(title, path, button, main_->hwnd, run), RecordAnyLaterDialog(run)});
        command(form());
        // Anything that the command left behind would show now.
        for (int i = 0; i < 10; ++i) {
            YieldToMessages();
            Sleep(20);
        }
        run.timedOut = script.timedOut();
        return run;
    }

    SaveRun ExportHtml(const std::wstring& path, int button = IDOK) {
        return Export(mnuFileHTML_Click, kHtmlTitle, path, button);
    }
    SaveRun ExportXml(const std::wstring& path, int button = IDOK) {
        return Export(mnuFileXML_Click, kXmlTitle, path, button);
    }

    // The XML file read back by a real parser matches the list.
    void ExpectXmlMatchesList(const std::wstring& path) {
        ParsedExport parsed = ParseExportXml(path);
        ASSERT_TRUE(parsed.loaded) << parsed.error;
        EXPECT_EQ(parsed.root, L"Tolvane");
        std::vector<ParsedApp> listed;
        for (const Registration& row : form().list.rows()) {
            listed.push_back({row.entry.name, row.entry.raw});
        }
        EXPECT_EQ(parsed.apps, listed);
        EXPECT_EQ(parsed.appCount, static_cast<int>(listed.size()));
    }

    TempFolder folder_;
    std::vector<AppPathEntry> listed_;

  private:
    std::unique_ptr<MainForm> main_;
};

const std::vector<Row> kWorkedRows = {
    {L"notepad.exe", L"C:\\WINDOWS\\system32\\notepad.exe"},
    {L"mspaint.exe", L"C:\\WINDOWS\\system32\\mspaint.exe"},
};

void ExpectSilent(const SaveRun& run) {
    EXPECT_TRUE(run.shown);
    EXPECT_TRUE(run.laterDialogs.empty()) << "a dialog followed: " << ToAnsi(run.laterDialogs[0]);
    EXPECT_FALSE(run.timedOut);
}

TEST_F(ExportCommand, HtmlWorkedExampleByteForByte) {
    FillList(kWorkedRows);
    std::wstring path = folder_.File(L"apps.htm");
    SaveRun run = ExportHtml(path);
    ExpectSilent(run);
    EXPECT_EQ(ReadBytes(path), WorkedHtmlBytes());
}

TEST_F(ExportCommand, XmlWorkedExampleByteForByte) {
    FillList(kWorkedRows);
    std::wstring path = folder_.File(L"apps.xml");
    SaveRun run = ExportXml(path);
    ExpectSilent(run);
    EXPECT_EQ(ReadBytes(path), WorkedXmlBytes());
    ExpectXmlMatchesList(path);
}

TEST_F(ExportCommand, SaveDialogsCarryTheirTitleNameFilterFolderAndExtension) {
    FillList(kWorkedRows);
    // A bare name gains the dialog's default extension.
    SaveRun html = ExportHtml(folder_.File(L"bare"));
    SaveRun xml = ExportXml(folder_.File(L"bare"));
    ExpectSilent(html);
    ExpectSilent(xml);

    EXPECT_EQ(html.proposedName, L"tolvane.htm");
    EXPECT_EQ(html.fileType, L"网页文件(*.htm;*.html)");
    EXPECT_EQ(Lower(html.folder), Lower(ProgramFolder()));
    EXPECT_TRUE(html.ownedByMainWindow);
    EXPECT_EQ(ReadBytes(folder_.File(L"bare.htm")), WorkedHtmlBytes());

    EXPECT_EQ(xml.proposedName, L"tolvane.xml");
    EXPECT_EQ(xml.fileType, L"XML文件(*.xml)");
    EXPECT_EQ(Lower(xml.folder), Lower(ProgramFolder()));
    EXPECT_TRUE(xml.ownedByMainWindow);
    EXPECT_EQ(ReadBytes(folder_.File(L"bare.xml")), WorkedXmlBytes());
}

TEST_F(ExportCommand, AnEmptyListWritesFourAndSevenLines) {
    ASSERT_TRUE(form().list.rows().empty());
    std::wstring html = folder_.File(L"empty.htm");
    std::wstring xml = folder_.File(L"empty.xml");
    ExpectSilent(ExportHtml(html));
    ExpectSilent(ExportXml(xml));
    EXPECT_EQ(ReadBytes(html), HtmlHeadBytes() + HtmlEndBytes());
    EXPECT_EQ(SplitLines(ReadBytes(html)).size(), 4u);
    EXPECT_EQ(ReadBytes(xml), XmlHeadBytes() + XmlEndBytes());
    EXPECT_EQ(SplitLines(ReadBytes(xml)).size(), 7u);
    ExpectXmlMatchesList(xml);
}

TEST_F(ExportCommand, TheGeneratedByLineInCodePage936) {
    FillList(kWorkedRows);
    std::wstring html = folder_.File(L"stamp.htm");
    std::wstring xml = folder_.File(L"stamp.xml");
    ExpectSilent(ExportHtml(html));
    ExpectSilent(ExportXml(xml));
    std::string htmlLine = SplitLines(ReadBytes(html)).at(1) + "\r\n";
    std::string xmlLine = SplitLines(ReadBytes(xml)).at(1) + "\r\n";
    EXPECT_EQ(htmlLine.substr(0, 9), "\xB1\xBE\xCE\xC4\xBC\xFE\xD3\xC9\x20");
    EXPECT_EQ(htmlLine.substr(htmlLine.size() - 7), "\x20\xC9\xFA\xB3\xC9\x0D\x0A");
    EXPECT_EQ(htmlLine, GeneratedByBytes());
    EXPECT_EQ(xmlLine.substr(0, 14), "\x3C\x21\x2D\x2D\x20\xB1\xBE\xCE\xC4\xBC\xFE\xD3\xC9\x20");
    EXPECT_EQ(xmlLine.substr(xmlLine.size() - 11), "\x20\xC9\xFA\xB3\xC9\x20\x2D\x2D\x3E\x0D\x0A");
}

// How the stamp's clock was read: how often, and whether a dialog still
// stood on the screen at the time.
int g_clockReads = 0;
bool g_dialogOpenAtRead = false;
std::vector<int> g_answeredAtRead;

SYSTEMTIME CountingClock() {
    ++g_clockReads;
    g_dialogOpenAtRead = g_dialogOpenAtRead || ActiveDialog() != nullptr;
    g_answeredAtRead.push_back(g_dialogsAnswered);
    return WorkedExampleTime();
}

TEST_F(ExportCommand, TheClockIsReadOnceAfterTheDialogCloses) {
    FillList(kWorkedRows);
    SetExportClock(CountingClock);
    g_clockReads = 0;
    g_dialogOpenAtRead = false;
    g_answeredAtRead.clear();
    int answered = g_dialogsAnswered;
    ExpectSilent(ExportHtml(folder_.File(L"once.htm")));
    EXPECT_EQ(g_clockReads, 1);
    ExpectSilent(ExportXml(folder_.File(L"once.xml")));
    EXPECT_EQ(g_clockReads, 2);
    // Each read came after its own dialog had been answered and closed.
    EXPECT_EQ(g_answeredAtRead, (std::vector<int>{answered + 1, answered + 2}));
    EXPECT_FALSE(g_dialogOpenAtRead);
    // A cancelled export reads no time at all.
    ExpectSilent(ExportHtml(folder_.File(L"never.htm"), IDCANCEL));
    EXPECT_EQ(g_clockReads, 2);
}

TEST_F(ExportCommand, TheSystemClockGivesTheLocalTime) {
    SetExportClock(nullptr);
    std::wstring path = folder_.File(L"now.htm");
    SYSTEMTIME before;
    GetLocalTime(&before);
    ExpectSilent(ExportHtml(path));
    SYSTEMTIME after;
    GetLocalTime(&after);
    std::string line = SplitLines(ReadBytes(path)).at(1);
    std::string stamp = line.substr(line.find("Tolvane ") + 8 + 3, 16);
    std::string low = ToAnsi(ExportStamp(before));
    std::string high = ToAnsi(ExportStamp(after));
    EXPECT_LE(low, stamp);
    EXPECT_LE(stamp, high);
}

TEST_F(ExportCommand, AnExistingFileIsReplacedWithoutAQuestion) {
    FillList(kWorkedRows);
    std::wstring html = folder_.File(L"old.htm");
    std::wstring xml = folder_.File(L"old.xml");
    WriteBytes(html, std::string(20000, 'h'));
    WriteBytes(xml, std::string(20000, 'x'));
    ExpectSilent(ExportHtml(html));
    ExpectSilent(ExportXml(xml));
    EXPECT_EQ(ReadBytes(html), WorkedHtmlBytes());
    EXPECT_EQ(ReadBytes(xml), WorkedXmlBytes());
}

TEST_F(ExportCommand, CancellingCreatesTruncatesAndWritesNothing) {
    FillList(kWorkedRows);
    std::wstring existing = folder_.File(L"existing.htm");
    std::wstring existingXml = folder_.File(L"existing.xml");
    WriteBytes(existing, "keep html");
    WriteBytes(existingXml, "keep xml");
    std::vector<std::wstring> programFolder = FileNamesIn(ProgramFolder());

    // A name typed and then cancelled, an existing one and a new one.
    ExpectSilent(ExportHtml(existing, IDCANCEL));
    ExpectSilent(ExportXml(existingXml, IDCANCEL));
    ExpectSilent(ExportHtml(folder_.File(L"new.htm"), IDCANCEL));
    ExpectSilent(ExportXml(folder_.File(L"new.xml"), IDCANCEL));

    EXPECT_EQ(ReadBytes(existing), "keep html");
    EXPECT_EQ(ReadBytes(existingXml), "keep xml");
    EXPECT_EQ(FileNamesIn(folder_.path()).size(), 2u);
    // Nor under the proposed names in the program folder.
    EXPECT_EQ(FileNamesIn(ProgramFolder()), programFolder);
}

// A file that cannot be written whole is reported, and what was there
// before stays as it was.
void ExpectReportedFailure(const SaveRun& run) {
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(run.laterDialogs, std::vector<std::wstring>{L"Tolvane"});
    EXPECT_EQ(run.laterTexts, std::vector<std::wstring>{L"导出失败！"});
    EXPECT_FALSE(run.timedOut);
}

TEST_F(ExportCommand, AFileThatCannotBeReplacedIsReportedAndKept) {
    FillList(kWorkedRows);
    std::wstring busy = folder_.File(L"busy.htm");
    std::wstring busyXml = folder_.File(L"busy.xml");
    WriteBytes(busy, "keep");
    WriteBytes(busyXml, "keep");
    UniqueFile holdHtml(CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueFile holdXml(CreateFileW(busyXml.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holdHtml && holdXml);
    ExpectReportedFailure(ExportHtml(busy));
    ExpectReportedFailure(ExportXml(busyXml));
    // Nor is a folder that does not exist made for it.
    ExpectReportedFailure(ExportHtml(folder_.File(L"missing\\x.htm")));
    holdHtml.reset();
    holdXml.reset();
    EXPECT_EQ(ReadBytes(busy), "keep");
    EXPECT_EQ(ReadBytes(busyXml), "keep");
    EXPECT_EQ(FileNamesIn(folder_.path()).size(), 2u);  // no temporary file left behind
}

TEST_F(ExportCommand, AReadOnlyFileIsReportedAndKept) {
    FillList(kWorkedRows);
    std::wstring path = folder_.File(L"read-only.htm");
    WriteBytes(path, "keep");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    if (!IsReadOnlyEnforced(path)) GTEST_SKIP() << kReadOnlyNotEnforced;
    ExpectReportedFailure(ExportHtml(path));
    EXPECT_EQ(ReadBytes(path), "keep");
}

// A write that fails after the file was begun (a disk that fills up)
// leaves the previous file whole.
TEST_F(ExportCommand, AWriteThatFailsMidwayLeavesTheOldFileWhole) {
    FillList(kWorkedRows);
    std::wstring html = folder_.File(L"old.htm");
    std::wstring xml = folder_.File(L"old.xml");
    WriteBytes(html, "old html");
    WriteBytes(xml, "old xml");
    beforeTextFileLine = [](size_t index) -> DWORD {
        return index == 3 ? ERROR_HANDLE_DISK_FULL : ERROR_SUCCESS;
    };
    SaveRun htmlRun = ExportHtml(html);
    SaveRun xmlRun = ExportXml(xml);
    beforeTextFileLine = nullptr;
    ExpectReportedFailure(htmlRun);
    ExpectReportedFailure(xmlRun);
    EXPECT_EQ(ReadBytes(html), "old html");
    EXPECT_EQ(ReadBytes(xml), "old xml");
    EXPECT_EQ(FileNamesIn(folder_.path()).size(), 2u);
}

// The XML declares "gb2312": characters that only code page 936 has, and
// control characters, must not make parsers reject the document.
TEST_F(ExportCommand, TheXmlStaysWellFormedWhateverTheRegistryHolds) {
    FillList({{L"喆.exe", L"C:\\\uD55C\uAD6D\\喆.exe"},
              {L"ctl.exe", std::wstring(L"C:\\a") + wchar_t(1) + L"b\tc.exe"},
              {L"dot\u00B7dash\u2014.exe", L"C:\\记事本.exe"}});
    std::wstring xml = folder_.File(L"strict.xml");
    ExpectSilent(ExportXml(xml));
    std::vector<std::string> lines = SplitLines(ReadBytes(xml));
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines.at(7), "        <Name>&#21894;.exe</Name>");
    listed_[1].raw = L"C:\\a\uFFFDb\tc.exe";  // what a reader gets back
    form().list.Show(listed_);
    ExpectXmlMatchesList(xml);
}

// Rows of every kind reach both files whole (the line counts' formulas, and
// the XML read back by a real parser): an empty path, markup, characters
// outside the code page. The current user's registrations are marked; the
// machine's are written as they always were.
TEST_F(ExportCommand, EveryKindOfRowReachesBothFiles) {
    FillList({{L"blank.exe", L""},
              {L"Q&A>.exe", L"C:\\<dir>\\y.exe"},
              {L"\uD55C\uAE00.exe", L"D:\\工具\\\U0001F600.exe"}});
    AddRow(TextEntry(L"mine.exe", L"C:\\mine.exe", Scope::User));
    std::wstring html = folder_.File(L"rows.htm");
    std::wstring xml = folder_.File(L"rows.xml");
    ExpectSilent(ExportHtml(html));
    ExpectSilent(ExportXml(xml));
    std::vector<std::string> htmlLines = SplitLines(ReadBytes(html));
    ASSERT_EQ(htmlLines.size(), 8u);
    EXPECT_EQ(htmlLines[6], "<tr class='user'><td>mine.exe</td><td>C:\\mine.exe</td></tr>");
    std::vector<std::string> xmlLines = SplitLines(ReadBytes(xml));
    ASSERT_EQ(xmlLines.size(), 23u);
    EXPECT_EQ(xmlLines[14], "    <App>");
    EXPECT_EQ(xmlLines[18], "    <App scope=\"user\">");
    ExpectXmlMatchesList(xml);
}

// File > "导出为注册表文件" writes every value of the listed registrations of
// both hives, which "reg import" puts back as they were.
TEST_F(ExportCommand, TheRegistryFileBringsTheListBack) {
    const DWORD number = 7;
    PutEntry(L"\uD55C.exe", L"C:\\\uD55C\\x.exe");
    PutNamedValue(L"\uD55C.exe", L"Path", L"C:\\tools");
    PutRawValue(L"\uD55C.exe", L"UseUrl", REG_DWORD, &number, sizeof(number));
    PutEntry(L"mine.exe", L"%TEMP%\\mine.exe", Scope::User);
    Refresh(form());
    form().watcher.Stop();
    EntrySnapshot machine{Scope::Machine}, user{Scope::User};
    ASSERT_EQ(ReadEntrySnapshot({Scope::Machine, L"\uD55C.exe"}, machine), ERROR_SUCCESS);
    ASSERT_EQ(ReadEntrySnapshot({Scope::User, L"mine.exe"}, user), ERROR_SUCCESS);
    std::wstring path = folder_.File(L"apps.reg");
    ExpectSilent(Export(mnuFileReg_Click, L"导出为注册表文件", path));
    EXPECT_EQ(ReadBytes(path).substr(0, 2), "\xFF\xFE");
    ClearAppPaths();
    ASSERT_EQ(RunReg(L"import \"" + path + L"\""), 0);
    EntrySnapshot machineAfter{Scope::Machine}, userAfter{Scope::User};
    ReadEntrySnapshot({Scope::Machine, L"\uD55C.exe"}, machineAfter);
    ReadEntrySnapshot({Scope::User, L"mine.exe"}, userAfter);
    EXPECT_EQ(machineAfter, machine);
    EXPECT_EQ(userAfter, user);
}

// A registration that cannot be read fails the registry file, naming it;
// the file that was there stays as it was.
TEST_F(ExportCommand, AnUnreadableRegistrationFailsTheRegistryFile) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"locked.exe", L"C:\\locked.exe");
    SetEntryAcl(L"locked.exe", L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");  // no value reads
    Refresh(form());
    std::wstring path = folder_.File(L"old.reg");
    WriteBytes(path, "old");
    SaveRun run = Export(mnuFileReg_Click, L"导出为注册表文件", path);
    SetEntryAcl(L"locked.exe", L"D:(A;;KA;;;WD)");
    EXPECT_EQ(run.laterTexts, std::vector<std::wstring>{L"导出失败！\nlocked.exe"});
    EXPECT_EQ(ReadBytes(path), "old");
}

TEST_F(ExportCommand, ExportsTheListAsShownWithoutRefreshingIt) {
    PutEntry(L"calc.exe", L"C:\\windows\\system32\\calc.exe");
    PutEntry(L"A&B.exe", L"C:\\Program Files\\A&B\\x.exe");
    PutEntry(L"\uD55C.exe", L"C:\\\uD55C.exe");
    Refresh(form());
    // Not kept current: the export writes what the list shows at that moment.
    form().watcher.Stop();
    std::vector<Row> before = ListRows(form().lvwMain);
    ASSERT_EQ(before.size(), 3u);
    // A registration that the list does not show yet stays out of the files.
    PutEntry(L"later.exe", L"C:\\later.exe");
    std::wstring html = folder_.File(L"shown.htm");
    std::wstring xml = folder_.File(L"shown.xml");
    ExpectSilent(ExportHtml(html));
    ExpectSilent(ExportXml(xml));
    EXPECT_EQ(ListRows(form().lvwMain), before);
    EXPECT_EQ(SplitLines(ReadBytes(html)).size(), 7u);
    EXPECT_EQ(ReadBytes(html).find("later.exe"), std::string::npos);
    ExpectXmlMatchesList(xml);
}

}  // namespace
}  // namespace tolvane::testing
