// Test fixtures on the real registry of the throwaway Wine prefix.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/app_path_entry.h"

namespace tolvane::testing {

inline constexpr wchar_t kAppPathsPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Removes every registration of both hives (the machine's key stays; the
// user's goes, as on a machine where no one registered for a user yet).
void ClearAppPaths();
// Creates a registration; |path| null leaves the default value unset.
void PutEntry(const std::wstring& name, const wchar_t* path, Scope scope = Scope::Machine);
// Writes a text value into a registration's subkey, making the subkey; an
// empty |value| names the default value.
void PutNamedValue(const std::wstring& name, const std::wstring& value, const std::wstring& data,
                   DWORD type = REG_SZ, Scope scope = Scope::Machine);
// Writes a registration's default value (or the value |valueName|) with any
// type and raw bytes.
void PutRawValue(const std::wstring& name, const wchar_t* valueName, DWORD type, const void* bytes,
                 DWORD size, Scope scope = Scope::Machine);
// Gives a registration's subkey (or, for an empty name, the App Paths key)
// the DACL written as |sddl|.
void SetEntryAcl(const std::wstring& name, const wchar_t* sddl);
bool EntryExists(const std::wstring& name, Scope scope = Scope::Machine);
// The default value of a registration as UTF-16; |type| receives its type.
std::wstring EntryDefault(const std::wstring& name, DWORD* type = nullptr,
                          Scope scope = Scope::Machine);
// The raw bytes of a registration's default value, read with the narrow call.
std::vector<unsigned char> EntryDefaultBytes(const std::wstring& name, DWORD* type = nullptr);
std::wstring NamedValue(const std::wstring& name, const std::wstring& value);
// Names of the registrations in the registry's enumeration order.
std::vector<std::wstring> EntryNames(Scope scope = Scope::Machine);
// Runs Wine's own reg.exe with |arguments|; returns its exit code.
int RunReg(const std::wstring& arguments);

}  // namespace tolvane::testing
