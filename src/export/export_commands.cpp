#include "export/export_commands.h"

#include <exception>
#include <string>
#include <vector>

#include "common_dialog/comm_dlg.h"
#include "export/export_writer.h"
#include "export/text_file.h"
#include "main_window/main_window.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// OFN_READONLY | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER |
// OFN_LONGNAMES, as the browse button passes. Without OFN_OVERWRITEPROMPT an
// existing file is replaced without a question.
constexpr int32_t kSaveFlags = 2625541;
constexpr int16_t kActionSave = 2;

struct ExportKind {
    const wchar_t* title;
    const wchar_t* filter;
    const wchar_t* fileName;
    const wchar_t* defaultExt;
    std::vector<std::wstring> (*pieces)(const std::vector<AppPathEntry>&, const SYSTEMTIME&);
};

constexpr ExportKind kHtml{L"导出为HTML文件", L"网页文件(*.htm;*.html)|*.htm;*.html",
                           L"tolvane.htm", L".htm", HtmlPieces};
constexpr ExportKind kXml{L"导出为XML文件", L"XML文件(*.xml)|*.xml", L"tolvane.xml", L".xml",
                          XmlPieces};

SYSTEMTIME SystemLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

ExportClock g_clock = SystemLocalTime;

std::wstring AskFileName(const ExportKind& kind) {
    CommDlg dlg;
    dlg.DialogTitle(kind.title);
    dlg.InitDir(ProgramFolder());
    dlg.Filter(kind.filter);
    dlg.FileName(kind.fileName);
    dlg.DefaultExt(kind.defaultExt);
    dlg.flags(kSaveFlags);
    dlg.Action(kActionSave);
    return dlg.FileName();
}

std::vector<AppPathEntry> ListRows(HWND list) {
    int count = ListCount(list);
    std::vector<AppPathEntry> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index) {
        rows.push_back({ListItemText(list, index, 0), ListItemText(list, index, 1)});
    }
    return rows;
}

// Any failure, a cancelled dialog included, ends the export silently; a
// file already opened keeps the lines written so far.
void RunExport(FrmMain& form, const ExportKind& kind) {
    try {
        std::wstring path = AskFileName(kind);
        TextFile file(path);
        SYSTEMTIME now = g_clock();
        for (const std::wstring& piece : kind.pieces(ListRows(form.lvwMain), now)) {
            file.WriteLine(piece);
        }
        file.Close();
    } catch (const std::exception&) {
    }
}

}  // namespace

void mnuFileHTML_Click(FrmMain& form) {
    RunExport(form, kHtml);
}
void mnuFileXML_Click(FrmMain& form) {
    RunExport(form, kXml);
}

void SetExportClock(ExportClock clock) {
    g_clock = clock ? clock : SystemLocalTime;
}

}  // namespace tolvane
