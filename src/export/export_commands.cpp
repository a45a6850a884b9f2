#include "export/export_commands.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "commands/registration_commands.h"
#include "common_dialog/comm_dlg.h"
#include "export/export_writer.h"
#include "export/text_file.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// OFN_READONLY | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES. A save
// dialog must not ask for a file that exists already; without
// OFN_OVERWRITEPROMPT an existing file is replaced without a question.
constexpr int32_t kSaveFlags = 0x280005;
constexpr int16_t kActionSave = 2;

// The save dialog of one kind of export.
struct ExportKind {
    const wchar_t* title;
    const wchar_t* filter;
    const wchar_t* fileName;
    const wchar_t* defaultExt;
};

constexpr ExportKind kHtml{L"导出为HTML文件", L"网页文件(*.htm;*.html)|*.htm;*.html",
                           L"tolvane.htm", L".htm"};
constexpr ExportKind kXml{L"导出为XML文件", L"XML文件(*.xml)|*.xml", L"tolvane.xml", L".xml"};
constexpr ExportKind kReg{L"导出为注册表文件", L"注册表文件(*.reg)|*.reg", L"tolvane.reg", L".reg"};

SYSTEMTIME SystemLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

ExportClock g_clock = SystemLocalTime;

// The chosen path; none when the dialog was cancelled or failed, which the
// service reports by raising an error.
std::optional<std::wstring> AskFileName(const ExportKind& kind) {
    try {
        CommDlg dlg;
        dlg.DialogTitle(kind.title);
        dlg.InitDir(ProgramFolder());
        dlg.Filter(kind.filter);
        dlg.FileName(kind.fileName);
        dlg.DefaultExt(kind.defaultExt);
        dlg.flags(kSaveFlags);
        dlg.Action(kActionSave);
        return dlg.FileName();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Asks for the file name and has |write| write the file there (0 or an
// error code); a failure is reported.
void RunExport(HWND owner, const ExportKind& kind,
               const std::function<DWORD(const std::wstring&)>& write) {
    std::optional<std::wstring> path = AskFileName(kind);
    if (!path) return;
    if (write(*path) != ERROR_SUCCESS) ShowMessage(owner, kExportFailed, kStyleError);
}

}  // namespace

void ExportHtml(HWND owner, const std::vector<AppPathEntry>& entries) {
    RunExport(owner, kHtml, [&](const std::wstring& path) {
        return WriteTextFile(path, HtmlPieces(entries, g_clock()));
    });
}

void ExportXml(HWND owner, const std::vector<AppPathEntry>& entries) {
    RunExport(owner, kXml, [&](const std::wstring& path) {
        return WriteTextFile(path, XmlPieces(entries, g_clock()));
    });
}

void ExportReg(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries) {
    std::optional<std::wstring> path = AskFileName(kReg);
    if (!path) return;
    std::vector<EntryKey> keys;
    for (const AppPathEntry& entry : entries) keys.push_back(KeyOf(entry));
    SnapshotOutcome outcome = SaveRegSnapshot(stores.hives(), keys, *path);
    if (outcome.read != ERROR_SUCCESS) {
        ShowMessage(owner, std::wstring(kExportFailed) + L"\n" + outcome.unreadable.name,
                    kStyleError);
    } else if (outcome.written != ERROR_SUCCESS) {
        ShowMessage(owner, kExportFailed, kStyleError);
    }
}

void SetExportClock(ExportClock clock) {
    g_clock = clock ? clock : SystemLocalTime;
}

}  // namespace tolvane
