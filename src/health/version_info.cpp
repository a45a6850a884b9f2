#include "health/version_info.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "health/health.h"
#include "toolkit/file_scope.h"
#include "toolkit/program_file.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// One block of the version resource: a header of three words, a key, a
// value, then the blocks it holds, each part starting on four bytes.
struct Block {
    std::wstring key;
    size_t children = 0;  // where the blocks it holds begin
    size_t end = 0;       // where the next block may begin
};

size_t Aligned(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

WORD WordAt(const std::vector<BYTE>& data, size_t offset) {
    WORD word;
    std::memcpy(&word, data.data() + offset, sizeof(word));
    return word;
}

// False when the block at |start| does not fit before |limit|.
bool ReadBlock(const std::vector<BYTE>& data, size_t start, size_t limit, Block& block) {
    if (start + 6 > limit) return false;
    const WORD length = WordAt(data, start);
    const WORD valueLength = WordAt(data, start + 2);
    const WORD type = WordAt(data, start + 4);
    if (length < 6 || start + length > limit) return false;
    block.end = start + length;
    block.key.clear();
    size_t at = start + 6;
    for (; at + 2 <= block.end; at += 2) {
        wchar_t c = static_cast<wchar_t>(WordAt(data, at));
        if (c == 0) break;
        block.key += c;
    }
    // A text value counts its length in characters, any other in bytes.
    size_t valueBytes = type == 1 ? size_t{valueLength} * 2 : valueLength;
    block.children = std::min(Aligned(Aligned(at + 2) + valueBytes), block.end);
    return true;
}

// The keys of the blocks that |parent| holds.
std::vector<std::wstring> ChildKeys(const std::vector<BYTE>& data, const Block& parent) {
    std::vector<std::wstring> keys;
    Block child;
    for (size_t at = parent.children; ReadBlock(data, at, parent.end, child);
         at = Aligned(child.end)) {
        keys.push_back(child.key);
    }
    return keys;
}

// The string tables of the resource ("080404B0": language, then code
// page), the user's language first, then its other forms, then the rest.
std::vector<std::wstring> StringTables(const std::vector<BYTE>& data) {
    Block root, child;
    if (!ReadBlock(data, 0, data.size(), root)) return {};
    std::vector<std::wstring> tables;
    for (size_t at = root.children; ReadBlock(data, at, root.end, child); at = Aligned(child.end)) {
        if (child.key != L"StringFileInfo") continue;
        for (std::wstring& key : ChildKeys(data, child)) tables.push_back(std::move(key));
    }
    const LANGID user = GetUserDefaultUILanguage();
    auto closeness = [user](const std::wstring& table) {
        LANGID language = static_cast<LANGID>(wcstoul(table.substr(0, 4).c_str(), nullptr, 16));
        if (language == user) return 0;
        return PRIMARYLANGID(language) == PRIMARYLANGID(user) ? 1 : 2;
    };
    std::stable_sort(tables.begin(), tables.end(),
                     [&](const auto& a, const auto& b) { return closeness(a) < closeness(b); });
    return tables;
}

std::wstring StringOf(const std::vector<BYTE>& data, const std::vector<std::wstring>& tables,
                      const wchar_t* name) {
    for (const std::wstring& table : tables) {
        std::wstring query = L"\\StringFileInfo\\" + table + L"\\" + name;
        void* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data.data(), query.c_str(), &text, &length) || !text) continue;
        std::wstring value(static_cast<const wchar_t*>(text), length);
        value.erase(value.find_last_not_of(std::wstring(L"\0 ", 2)) + 1);
        if (!value.empty()) return value;
    }
    return {};
}

}  // namespace

VersionStrings ReadVersionStrings(const ProgramFile& file) {
    using Otherwise = ProgramFile::Otherwise;
    // Numbered 1 (or the first), in the neutral language (or the first).
    const std::vector<BYTE> data =
        file.Resource({LOWORD(RT_VERSION)}, {VS_VERSION_INFO, Otherwise::FirstNumbered},
                      {LANG_NEUTRAL, Otherwise::FirstNumbered});
    if (data.empty()) return {};
    const std::vector<std::wstring> tables = StringTables(data);
    return {StringOf(data, tables, L"CompanyName"), StringOf(data, tables, L"FileDescription")};
}

VersionStrings ReadVersionStrings(const std::wstring& file) {
    // A bare name would be looked for along the search path of libraries.
    if (!IsAbsolute(file)) return {};
    FileScope asTheShell;
    return ReadVersionStrings(ProgramFile(file));
}

}  // namespace tolvane
