// What an import file asks for: a .reg file's key sections, or the
// registrations of the JSON that list and export write. Read whole and
// checked as the registry would check it before anything is written, so that
// a file that a dry run accepts fails no limit when it is imported.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "commands/listing_json.h"
#include "store/registry_snapshot.h"

namespace tolvane {

struct ImportRequest {
    bool json = false;
    std::vector<KeyEdit> edits;               // a .reg file's
    std::vector<ListedRegistration> listing;  // a JSON file's
    bool sharedKey = false;                   // the .reg file named WOW6432Node's App Paths
};

// Reads a file's bytes. False, with the reason and the line or item that
// it concerns, when anything in it cannot be imported as it stands.
bool ReadImportFile(std::string_view bytes, ImportRequest& request, std::wstring& problem);

// The registrations that the file touches, each once, in the order met.
std::vector<EntryKey> KeysOf(const ImportRequest& request);

// The changes that the file makes. |pathTypeNow| gives the type of a
// registration's Path value as it is now (REG_NONE: none), which an older
// JSON file's Path value keeps.
std::vector<KeyEdit> EditsOf(const ImportRequest& request,
                             const std::function<DWORD(const EntryKey&)>& pathTypeNow);

// Why registrations are left alone whatever the file says of them.
std::map<EntryKey, std::wstring, EntryOrder> LeftAlone(const ImportRequest& request);

}  // namespace tolvane
