#include "health/version_info.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <cstring>
#include <vector>

#include "health/health.h"
#include "toolkit/file_scope.h"
#include "toolkit/handles.h"
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

// A program file seen as bytes, mapped for reading only. Loading it as a
// resource library instead would take the loader's lock, which every
// worker thread and the window's own thread contend for, and an image
// mapping copies every section in.
class MappedFile {
  public:
    explicit MappedFile(const std::wstring& path) {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 64 ||
            size.QuadPart > kMostBytes) {
            return;
        }
        UniqueKernelObject mapping(
            CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping) return;
        view_ = static_cast<const BYTE*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
        if (view_) size_ = static_cast<size_t>(size.QuadPart);
    }
    ~MappedFile() {
        if (view_) UnmapViewOfFile(view_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The |T| at |offset|, or false when it does not fit in the file.
    template <typename T>
    bool Read(size_t offset, T& out) const {
        if (offset > size_ || size_ - offset < sizeof(T)) return false;
        std::memcpy(&out, view_ + offset, sizeof(T));
        return true;
    }
    const BYTE* data() const { return view_; }
    size_t size() const { return size_; }

  private:
    static constexpr LONGLONG kMostBytes = 1LL << 30;
    const BYTE* view_ = nullptr;
    size_t size_ = 0;
};

// Where the resources are, and the sections that place them in the file.
struct ResourceSpan {
    DWORD rva = 0;
    std::vector<IMAGE_SECTION_HEADER> sections;
};

std::optional<ResourceSpan> ResourcesOf(const MappedFile& file) {
    IMAGE_DOS_HEADER dos;
    if (!file.Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return {};
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    WORD magic = 0;
    if (!file.Read(nt, signature) || signature != IMAGE_NT_SIGNATURE ||
        !file.Read(nt + 4, header) || !file.Read(nt + 4 + sizeof(header), magic)) {
        return {};
    }
    const size_t optional = nt + 4 + sizeof(header);
    IMAGE_DATA_DIRECTORY directory;
    DWORD directories = 0;
    size_t at = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        at = optional + offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
    } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        at = optional + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
    } else {
        return {};
    }
    if (!file.Read(at, directories) || directories <= IMAGE_DIRECTORY_ENTRY_RESOURCE ||
        !file.Read(at + 4 + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(directory), directory) ||
        directory.VirtualAddress == 0) {
        return {};
    }
    ResourceSpan span;
    span.rva = directory.VirtualAddress;
    const size_t first = optional + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!file.Read(first + i * sizeof(section), section)) return {};
        span.sections.push_back(section);
    }
    return span;
}

// Where in the file the address |rva| lies; 0 when no section holds it.
size_t OffsetOf(const ResourceSpan& span, DWORD rva) {
    for (const IMAGE_SECTION_HEADER& section : span.sections) {
        DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < extent) {
            return size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
        }
    }
    return 0;
}

// The entry of the resource directory at |directory| (an offset in the
// file) whose number is |id|, else its first numbered entry when |any|.
std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> EntryOf(const MappedFile& file, size_t directory,
                                                      WORD id, bool any) {
    IMAGE_RESOURCE_DIRECTORY head;
    if (!file.Read(directory, head)) return {};
    const size_t first = directory + sizeof(head);
    const size_t count = size_t{head.NumberOfNamedEntries} + head.NumberOfIdEntries;
    std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> fallback;
    for (size_t i = 0; i < count; ++i) {
        IMAGE_RESOURCE_DIRECTORY_ENTRY entry;
        if (!file.Read(first + i * sizeof(entry), entry)) return {};
        if (entry.NameIsString) continue;
        if (entry.Id == id) return entry;
        if (any && !fallback) fallback = entry;
    }
    return fallback;
}

// The file's version resource: the type's entry numbered 1 (or its first),
// in the neutral language (or the first one given).
std::vector<BYTE> VersionResource(const std::wstring& path) {
    MappedFile file(path);
    std::optional<ResourceSpan> span = file.data() ? ResourcesOf(file) : std::nullopt;
    const size_t root = span ? OffsetOf(*span, span->rva) : 0;
    if (root == 0) return {};
    size_t directory = root;
    const std::pair<WORD, bool> levels[] = {
        {LOWORD(RT_VERSION), false}, {VS_VERSION_INFO, true}, {LANG_NEUTRAL, true}};
    IMAGE_RESOURCE_DIRECTORY_ENTRY entry{};
    for (size_t level = 0; level < std::size(levels); ++level) {
        std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> found =
            EntryOf(file, directory, levels[level].first, levels[level].second);
        // Directories until the last level, the data there.
        if (!found || found->DataIsDirectory != (level + 1 < std::size(levels))) return {};
        entry = *found;
        directory = root + entry.OffsetToDirectory;
    }
    IMAGE_RESOURCE_DATA_ENTRY data;
    if (!file.Read(root + entry.OffsetToData, data)) return {};
    const size_t offset = OffsetOf(*span, data.OffsetToData);
    if (offset == 0 || offset > file.size() || file.size() - offset < data.Size) return {};
    return std::vector<BYTE>(file.data() + offset, file.data() + offset + data.Size);
}

}  // namespace

VersionStrings ReadVersionStrings(const std::wstring& file) {
    // A bare name would be looked for along the search path of libraries.
    if (!IsAbsolute(file)) return {};
    FileScope asTheShell;
    const std::vector<BYTE> data = VersionResource(file);
    if (data.empty()) return {};
    const std::vector<std::wstring> tables = StringTables(data);
    return {StringOf(data, tables, L"CompanyName"), StringOf(data, tables, L"FileDescription")};
}

}  // namespace tolvane
