#include "export/reg_export.h"

#include <exception>
#include <optional>

#include "common_dialog/comm_dlg.h"
#include "export/reg_file.h"
#include "export/text_file.h"
#include "store/registry_snapshot.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// OFN_READONLY | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES, as the
// other exports pass.
constexpr int32_t kSaveFlags = 0x280005;
constexpr int16_t kActionSave = 2;

std::optional<std::wstring> AskRegFileName() {
    try {
        CommDlg dlg;
        dlg.DialogTitle(L"导出为注册表文件");
        dlg.InitDir(ProgramFolder());
        dlg.Filter(L"注册表文件(*.reg)|*.reg");
        dlg.FileName(L"tolvane.reg");
        dlg.DefaultExt(L".reg");
        dlg.flags(kSaveFlags);
        dlg.Action(kActionSave);
        return dlg.FileName();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

DWORD SaveRegistrations(const AppPathStores& stores, const std::vector<AppPathEntry>& entries,
                        const std::wstring& path) {
    std::vector<EntrySnapshot> snapshots;
    for (const AppPathEntry& entry : entries) {
        EntrySnapshot snapshot{entry.scope};
        HKEY keys = stores.For(entry.scope).hAppPaths();
        if (keys && ReadKeySnapshot(keys, entry.name, snapshot.key) == ERROR_SUCCESS) {
            snapshots.push_back(std::move(snapshot));
        }
    }
    return WriteWholeFile(path, RegFileBytes(EditsOf(snapshots)));
}

void ExportReg(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries) {
    std::optional<std::wstring> path = AskRegFileName();
    if (!path) return;
    if (SaveRegistrations(stores, entries, *path) != ERROR_SUCCESS) {
        ShowMessage(owner, L"导出失败！", kStyleError);
    }
}

}  // namespace tolvane
