// Importing registrations from a .reg file or from the JSON that tolvanec
// list writes, for the window and tolvanec alike: the file read whole and
// checked as the registry would check it, its changes planned against the
// registrations as they are (the dry run), then made in one transaction, all
// of them or none.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "commands/changes.h"
#include "commands/import_file.h"
#include "store/registry_transaction.h"

namespace tolvane {

// Larger files are no list of registrations.
inline constexpr LONGLONG kMostImportBytes = 64 * 1024 * 1024;

// How reading a file for an import went.
enum class ImportCheck {
    Ready,               // the plan is made; nothing is written yet
    FileMissing,         // no such file or folder
    TooLarge,            // over kMostImportBytes
    FileUnreadable,      // code(): why the file could not be read
    Invalid,             // problem(): what in it cannot be imported, with its line or item
    RegistryUnreadable,  // code(): why a registration that it touches could not be read
};

class ImportCommand {
  public:
    explicit ImportCommand(Hives hives = {}) : transaction_(hives) {}

    // Reads |file| and the registrations that it touches as they are now,
    // and plans what it would do to each. Writes nothing.
    ImportCheck Prepare(const std::wstring& file);
    DWORD code() const { return code_; }
    const std::wstring& problem() const { return problem_; }

    // After Prepare(): what happens to each registration that the file
    // names, in the order met; why some are left alone whatever the file
    // says; whether a .reg file named WOW6432Node's App Paths.
    const std::vector<PlannedChange>& plan() const { return plan_; }
    const std::map<EntryKey, std::wstring, EntryOrder>& leftAlone() const { return leftAlone_; }
    bool sharedKey() const { return request_.sharedKey; }
    // The registrations as Prepare() read them, before any change.
    const std::vector<EntryBackup>& before() const { return transaction_.backups(); }
    // The hive that a refused write concerns: the machine's, when the file
    // changes it at all.
    Scope WrittenHive() const;

    // Makes every change of the plan. On a failure, whatever was changed is
    // put back and the failing write's code returned; restoreResult() says
    // whether putting back went wholly well (0).
    LONG Apply();
    LONG restoreResult() const { return transaction_.restoreResult(); }

  private:
    RegistryTransaction transaction_;
    ImportRequest request_;
    std::vector<KeyEdit> edits_;
    std::vector<PlannedChange> plan_;
    std::map<EntryKey, std::wstring, EntryOrder> leftAlone_;
    DWORD code_ = ERROR_SUCCESS;
    std::wstring problem_;
};

}  // namespace tolvane
