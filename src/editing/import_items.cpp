#include "editing/import_items.h"

#include <exception>
#include <optional>

#include "commands/import_command.h"
#include "common_dialog/comm_dlg.h"
#include "editing/entry_commands.h"
#include "editing/entry_messages.h"
#include "toolkit/toolkit.h"
#include "toolkit/file_scope.h"

namespace tolvane {

namespace {

// OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
// OFN_LONGNAMES.
constexpr int32_t kOpenFlags = 0x281804;
constexpr int16_t kActionOpen = 1;
constexpr wchar_t kImportTitle[] = L"导入";
constexpr wchar_t kImportFilter[] =
    L"注册表文件或 JSON 文件(*.reg;*.json)|*.reg;*.json|所有文件(*.*)|*.*";
// As many names as the question shows.
constexpr size_t kNamesShown = 20;

std::optional<std::wstring> AskFileName() {
    try {
        CommDlg dlg;
        dlg.DialogTitle(kImportTitle);
        dlg.InitDir(ProgramFolder());
        dlg.Filter(kImportFilter);
        dlg.flags(kOpenFlags);
        dlg.Action(kActionOpen);
        return dlg.FileName();
    } catch (const std::exception&) {
        return std::nullopt;  // cancelled
    }
}

std::wstring Counted(const PlanCounts& counts) {
    return L"添加 " + std::to_wstring(counts.added) + L" 项，修改 " +
           std::to_wstring(counts.changed) + L" 项，删除 " + std::to_wstring(counts.removed) +
           L" 项，不变 " + std::to_wstring(counts.same) + L" 项";
}

// The registrations that change, the first twenty of them by name.
std::wstring ChangedNames(const std::vector<PlannedChange>& plan) {
    std::wstring list;
    size_t changing = 0;
    for (const PlannedChange& change : plan) {
        if (change.outcome == ChangeOutcome::Same) continue;
        if (++changing > kNamesShown) continue;
        list += std::wstring(OutcomeText(change.outcome)) + L"  " +
                NamedInQuestion(TextEntry(change.key.name, L"", change.key.scope)) + L"\n";
    }
    if (changing > kNamesShown) list += L"等 " + std::to_wstring(changing) + L" 项\n";
    return list;
}

std::wstring Question(const std::wstring& file, const ImportCommand& import) {
    std::wstring text = L"从文件“" + file + L"”导入：\n" + Counted(CountPlan(import.plan())) +
                        L"。\n\n" + ChangedNames(import.plan());
    if (import.sharedKey()) {
        text += L"\n文件中 WOW6432Node 下的项目按" + std::wstring(ScopeText(Scope::Machine)) +
                L"的登记导入。\n";
    }
    return text + L"\n确定要导入吗？";
}

void ReportFailure(HWND owner, const ImportCommand& import, LONG result) {
    std::wstring report;
    if (import.restoreResult() != ERROR_SUCCESS) {
        report = L"导入失败，且未能把已改动的项目全部恢复（" + SystemText(result) + L"；恢复时：" +
                 SystemText(import.restoreResult()) + L"）。";
    } else if (result == ERROR_ACCESS_DENIED) {
        report = kNoRights;
    } else {
        report = std::wstring(kImportFailed) + L"（" + SystemText(result) + L"）";
    }
    ShowMessage(owner, report, kStyleError);
}

}  // namespace

bool ImportItems(HWND owner, const AppPathStores& stores, UndoHistory* history) {
    std::optional<std::wstring> file = AskFileName();
    return file && ImportFile(owner, stores, *file, history);
}

bool ImportFile(HWND owner, const AppPathStores& stores, const std::wstring& file,
                UndoHistory* history) {
    ImportCommand import(stores.hives());
    ImportCheck check = import.Prepare(file);
    if (check != ImportCheck::Ready) {
        ShowMessage(owner, ImportRefusal(check, import, file), kStyleError);
        return false;
    }
    if (import.plan().empty()) {
        ShowMessage(owner, L"文件中没有注册项。", kStyleInfo);
        return false;
    }
    if (ShowMessage(owner, Question(file, import), kStyleQuestion) != kAnswerYes) return false;
    LONG result = import.Apply();
    std::vector<EntryKey> keys;
    for (const PlannedChange& change : import.plan()) keys.push_back(change.key);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, import, result);
        // What could not be put back is listed as it is now.
        if (import.restoreResult() != ERROR_SUCCESS) stores.Changed(keys);
        return import.restoreResult() != ERROR_SUCCESS;
    }
    stores.Changed(keys);
    RecordForUndo(history, L"导入 " + FileNameOf(file), kImportFailed, import.before());
    ShowMessage(owner, L"导入成功！" + Counted(CountPlan(import.plan())) + L"。", kStyleInfo);
    return true;
}

}  // namespace tolvane
