// Health checks of App Paths registrations: does the program file exist, is
// the path complete, do the extra folders exist, is the name registered
// twice, which program of the same name does it stand in for, and does it
// look planted. Blocking calls that touch only the file system; safe to run
// on several threads at once.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/app_path_entry.h"

namespace tolvane {

class FileFacts;

// Where the shell looks for a bare program name after App Paths, in its
// order. Read once per refresh and shared by every check of it.
class FolderIndex;

struct SearchPlaces {
    std::wstring windows;            // the Windows folder, without subfolders
    std::wstring system;             // the real System32 folder
    std::vector<std::wstring> path;  // the system's, then the user's PATH folders
    // The file names of these folders, each read once when first needed, so
    // that checking thousands of names asks about a folder only where the
    // name is there. Without it every check asks every folder.
    std::shared_ptr<FolderIndex> index = nullptr;
};

// The PATH folders come from the registry rather than from this process's
// environment, which may be stale or changed by whoever started us. The
// places come with an index: for checking many registrations at once.
SearchPlaces ReadSearchPlaces();
// The same, with the folders listed ahead by a thread of their own, so that
// no check waits on a folder that does not answer (a share that is gone):
// a check that needs a folder not listed yet notes searchPending instead.
// |answered| runs on that thread once every folder is listed.
SearchPlaces ListSearchPlaces(std::function<void()> answered);
// Whether every folder is listed (at once for ReadSearchPlaces()).
bool SearchListed(const SearchPlaces& places);

struct HealthReport {
    Scope scope = Scope::Machine;              // the hive of the registration checked
    bool notText = false;                      // the default value is no text: nothing to check
    bool missingTarget = false;                // the program file is not there
    bool relativePath = false;                 // the path is not absolute
    std::vector<std::wstring> missingFolders;  // folders of the Path value that are missing
    bool bothScopes = false;                   // registered in HKLM and in HKCU
    // The file of the same name in the Windows folder, System32 or a PATH
    // folder that the shell would start without this registration; empty
    // when there is none, or when the registration starts nothing.
    std::wstring sameNameProgram;
    // The patterns of registrations that attackers plant:
    bool userOverridesSystem = false;  // a user's registration of a system program's name
    bool suspiciousFolder = false;     // program or Path folder in a temporary or public folder
    bool scriptTarget = false;         // a script, or a script host under another name
    bool searchPending = false;  // the search folders have not answered yet: same-name unknown
};

// |facts|, when given, answers what the target is, as the rest of the
// listing saw it.
HealthReport CheckEntry(const AppPathEntry& entry, const SearchPlaces& places,
                        FileFacts* facts = nullptr);

// For each entry, whether the other hive registers the same name. Names
// match without regard to case, ".exe" implied: "foo" is "FOO.EXE".
std::vector<bool> RegisteredInBothScopes(const std::vector<AppPathEntry>& entries);
// Sets bothScopes in |reports|, which parallel |entries|.
void MarkBothScopes(const std::vector<AppPathEntry>& entries, std::vector<HealthReport>& reports);

// A machine registration whose name the user's hive registers too: the
// user's is started instead.
bool OverriddenByUser(const HealthReport& report);
// The program of the same name that the shell would start but for this
// registration; empty when none, or when another registration wins first.
std::wstring OverriddenProgram(const HealthReport& report);
bool IsSuspicious(const HealthReport& report);

// The notes of the window's status column, joined by "；"; empty when none.
std::wstring NotesText(const HealthReport& report);
// The same facts as stable English tokens, for scripts.
std::vector<std::string> NoteTokens(const HealthReport& report);

// The program file of a registration as the shell reads it: variables
// expanded where the value asks for it, surrounding spaces and one pair of
// quotes dropped. Empty when the default value is no text.
std::wstring ProgramPath(const AppPathEntry& entry);

// The program file that a default value typed as |text| names, read as
// ProgramPath() reads it, when the checks would note it missing: the file is
// not there, or is a folder. None when it is there, or when the path is not
// a full one, which is a note of its own.
std::optional<std::wstring> MissingProgram(const std::wstring& text);

// "X:\..." or "\\server\share\...": a path that does not depend on the
// current folder or drive.
bool IsAbsolute(const std::wstring& path);

// The file name the shell looks for: |name|, with ".exe" when it has no
// extension.
std::wstring ProgramFileName(const std::wstring& name);

enum class Place {
    UserAppPaths,
    MachineAppPaths,
    WindowsFolder,
    SystemFolder,
    PathFolder,
};

struct Candidate {
    Place place = Place::UserAppPaths;
    std::wstring file;  // the file the shell would start from there
    bool exists = false;
};

// Every place where the shell would look for |name|, in its order: App
// Paths of the user, then of the machine, the Windows folder, System32 and
// the PATH folders. The first candidate that exists is what starts. The
// caller's current folder is left out.
std::vector<Candidate> Resolve(const std::wstring& name, const SearchPlaces& places,
                               const std::vector<AppPathEntry>& entries);

// Called with every path just before the file system is asked about it.
// Null unless a test stands in for a path that does not answer.
using ProbeHook = void (*)(const std::wstring& path);
void SetProbeHook(ProbeHook hook);

}  // namespace tolvane
