// A registration's default value and Path value as the JSON of list and
// export carries them, written and read back: text as text, and any value
// that text would not give back byte for byte (another type, an inner NUL,
// no final NUL) with its bytes as well, so that export then import is the
// identity on both values.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/app_path_entry.h"
#include "store/registry_snapshot.h"
#include "toolkit/json.h"

namespace tolvane {

// "REG_SZ" and the like; the number for a type without a name.
std::wstring TypeName(DWORD type);

// The text of a string value, up to its first NUL; an odd last byte is no
// character. The listing reads values alike.
std::wstring ValueText(const std::vector<BYTE>& data);
// The same without the cut: every character but a final NUL.
std::wstring WholeText(const std::vector<BYTE>& data);

struct ListedRegistration {
    EntryKey key;
    // The default value; none when there is none.
    std::optional<RegistryValue> target;
    // False for an item of an older version's file that gives a default of
    // another type than text without its bytes: the registration is then
    // left alone. |target| holds the type alone.
    bool targetKnown = true;
    // False when the item says nothing of the Path value, which then stays.
    bool hasFolders = false;
    // The Path value; none when it goes.
    std::optional<RegistryValue> folders;
    // False for an older version's file, which gives no type for the Path
    // value: it then keeps the type that it has, and text that gains "%"
    // becomes REG_EXPAND_SZ.
    bool foldersTyped = true;

    bool operator==(const ListedRegistration& other) const;
};

// The members that carry |listed|, in the order that list writes them:
// name, scope, path, type, data (only when the path does not give the
// value back), pathValue, pathValueType, pathValueData (the same for the
// Path value). |path| of a value that is not text is empty.
JsonValue::Object ListedMembers(const ListedRegistration& listed);

// Reads one item of the array; false with the reason. A name is checked as
// every registration's name is (EntryNameProblem()).
bool ReadListedItem(const JsonValue& item, ListedRegistration& listed, std::wstring& problem);

// Why |listed| is left alone; empty when it is not.
std::wstring LeftAloneReason(const ListedRegistration& listed);

}  // namespace tolvane
