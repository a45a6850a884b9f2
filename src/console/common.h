// What the verbs share: the scope option, the registration's name as the
// user typed it, and the one message that tells the user how a command
// ended, with the exit code that goes with it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "console/arguments.h"
#include "store/app_path_entry.h"
#include "store/app_path_store.h"
#include "store/registry_snapshot.h"

namespace tolvane::console {

enum class ScopeChoice { All, Machine, User };

// The --scope option. Reading verbs look at both hives unless told;
// writing verbs change the machine's registrations unless told, and never
// both at once.
bool ReadScopeOption(const Invocation& call, bool writing, ScopeChoice& choice,
                     std::wstring& problem);
bool Includes(ScopeChoice choice, Scope scope);
// The hive of a writing verb's choice.
Scope WrittenScope(ScopeChoice choice);

// The App Paths key of |scope|. The user's is the HKEY_CURRENT_USER of
// the account that runs tolvanec, even where the window would follow the
// user at the desktop: a script means its own account, and the snapshots
// and transactions of the changes use that hive too.
inline AppPathStore StoreOf(Scope scope) {
    return AppPathStore(HiveOf(scope), kAppPathsSubKey, scope);
}

// NAME as the registration is called: ".exe" appended as the window's
// dialog does. False, with the reason, for a name that cannot be one.
bool EntryNameOf(const std::wstring& typed, std::wstring& name, std::wstring& problem);

// Prints |problem| and the usage to standard error; the exit code 2.
// Lives beside the usage text, in console.cpp.
int BadUsage(const std::wstring& problem);

// Results go to standard output: 0, or 3 when they cannot be written.
int Print(const std::wstring& text);
// A message on standard error, ending its last line.
void Tell(const std::wstring& message);
// Tells "tolvanec：" + |message|; returns |code|.
int Refuse(const std::wstring& message, int code);
// Tells what failed and why: when the registry refused a change, the
// window's own sentence (with the ways around it when the machine's
// registrations were to change); else |failure| and the system's text for
// |code|. |written| is the hive that was to change, none for reading.
// Returns 5 for access denied, else 3.
int RegistryFailure(LONG code, const std::wstring& failure, std::optional<Scope> written);
// The same for a file that could not be read or written.
int FileFailure(DWORD code, const std::wstring& failure, const std::wstring& path);

}  // namespace tolvane::console
