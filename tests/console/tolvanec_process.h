// tolvanec.exe as a child process, and the registrations of both hives as
// the tests set them up and read them back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/registry_snapshot.h"

namespace tolvane::testing {

struct Outcome {
    DWORD code = 0;
    std::string out;           // the bytes written, through a pipe
    std::string err;           // through a file
    std::wstring Out() const;  // the bytes read as UTF-8, which they must be
    std::wstring Err() const;
};

// Runs tolvanec with |arguments| (a command line without the program).
Outcome RunTolvanec(const std::wstring& arguments);

// Every registration of both hives, read whole, the machine's first.
std::vector<EntrySnapshot> Registrations();
// One registration; an empty snapshot when it is missing.
KeySnapshot Registration(Scope scope, const std::wstring& name);
// A value of |key| by name, or null.
const RegistryValue* ValueOf(const KeySnapshot& key, const std::wstring& name);
std::wstring TextOf(const RegistryValue& value);

// The test prefix's temporary folder, with a final backslash.
std::wstring TempFolder();
void MakeFile(const std::wstring& path);

}  // namespace tolvane::testing
