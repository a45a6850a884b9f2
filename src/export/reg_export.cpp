#include "export/reg_export.h"

#include "export/reg_file.h"
#include "export/text_file.h"
#include "store/registry_snapshot.h"

namespace tolvane {

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

}  // namespace tolvane
