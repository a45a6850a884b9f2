#include "toolkit/program_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstddef>
#include <cstring>

namespace tolvane {

namespace {

constexpr LONGLONG kMostBytes = 1LL << 30;
// Headers, the resource directory and a small icon usually share a block
// or two.
constexpr size_t kBlockBytes = 32 * 1024;

}  // namespace

ProgramFile::ProgramFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    LARGE_INTEGER size{};
    if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart < 64 ||
        size.QuadPart > kMostBytes) {
        return;
    }
    size_ = static_cast<size_t>(size.QuadPart);
    image_ = ReadHeaders();
}

bool ProgramFile::ReadBytes(size_t offset, void* out, size_t count) const {
    if (offset > size_ || size_ - offset < count) return false;
    BYTE* to = static_cast<BYTE*>(out);
    while (count > 0) {
        const size_t number = offset / kBlockBytes;
        auto block = blocks_.find(number);
        if (block == blocks_.end()) {
            std::vector<BYTE> bytes(std::min(kBlockBytes, size_ - number * kBlockBytes));
            OVERLAPPED at{};
            const ULONGLONG start = ULONGLONG{number} * kBlockBytes;
            at.Offset = static_cast<DWORD>(start);
            at.OffsetHigh = static_cast<DWORD>(start >> 32);
            DWORD got = 0;
            if (!ReadFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, &at) ||
                got != bytes.size()) {
                return false;
            }
            block = blocks_.emplace(number, std::move(bytes)).first;
        }
        const size_t within = offset - number * kBlockBytes;
        const size_t part = std::min(count, block->second.size() - within);
        std::memcpy(to, block->second.data() + within, part);
        to += part;
        offset += part;
        count -= part;
    }
    return true;
}

bool ProgramFile::ReadHeaders() {
    IMAGE_DOS_HEADER dos;
    if (!Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    WORD magic = 0;
    if (!Read(nt, signature) || signature != IMAGE_NT_SIGNATURE || !Read(nt + 4, header) ||
        !Read(nt + 4 + sizeof(header), magic)) {
        return false;
    }
    const size_t optional = nt + 4 + sizeof(header);
    size_t at = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        at = optional + offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
    } else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        at = optional + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
    } else {
        return false;
    }
    const size_t first = optional + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!Read(first + i * sizeof(section), section)) return false;
        sections_.push_back(section);
    }
    IMAGE_DATA_DIRECTORY directory{};
    DWORD directories = 0;
    // A program without resources is a program all the same.
    if (Read(at, directories) && directories > IMAGE_DIRECTORY_ENTRY_RESOURCE &&
        Read(at + 4 + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(directory), directory) &&
        directory.VirtualAddress != 0) {
        resources_ = OffsetOf(directory.VirtualAddress);
    }
    return true;
}

// Where in the file the address |rva| lies; 0 when no section holds it.
size_t ProgramFile::OffsetOf(DWORD rva) const {
    for (const IMAGE_SECTION_HEADER& section : sections_) {
        DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < extent) {
            return size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
        }
    }
    return 0;
}

// The entry of the resource directory at |directory| (an offset in the
// file) that |pick| asks for.
std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> ProgramFile::EntryOf(size_t directory,
                                                                   Pick pick) const {
    IMAGE_RESOURCE_DIRECTORY head;
    if (!Read(directory, head)) return {};
    const size_t first = directory + sizeof(head);
    const size_t count = size_t{head.NumberOfNamedEntries} + head.NumberOfIdEntries;
    std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> fallback;
    for (size_t i = 0; i < count; ++i) {
        IMAGE_RESOURCE_DIRECTORY_ENTRY entry;
        if (!Read(first + i * sizeof(entry), entry)) return {};
        if (pick.otherwise == Otherwise::First) return entry;
        if (entry.NameIsString) continue;
        if (entry.Id == pick.id) return entry;
        if (pick.otherwise == Otherwise::FirstNumbered && !fallback) fallback = entry;
    }
    return fallback;
}

std::vector<BYTE> ProgramFile::Resource(Pick type, Pick name, Pick language) const {
    if (resources_ == 0) return {};
    size_t directory = resources_;
    const Pick levels[] = {type, name, language};
    IMAGE_RESOURCE_DIRECTORY_ENTRY entry{};
    for (size_t level = 0; level < std::size(levels); ++level) {
        std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> found = EntryOf(directory, levels[level]);
        // Directories until the last level, the data there.
        if (!found || found->DataIsDirectory != (level + 1 < std::size(levels))) return {};
        entry = *found;
        directory = resources_ + entry.OffsetToDirectory;
    }
    IMAGE_RESOURCE_DATA_ENTRY data;
    if (!Read(resources_ + entry.OffsetToData, data)) return {};
    const size_t offset = OffsetOf(data.OffsetToData);
    std::vector<BYTE> bytes(data.Size);
    if (offset == 0 || !ReadBytes(offset, bytes.data(), bytes.size())) return {};
    return bytes;
}

namespace {

// The colour depth of the screen, which picks among an icon's images.
int ScreenDepth() {
    static const int depth = [] {
        HDC screen = GetDC(nullptr);
        int bits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        return bits;
    }();
    return depth;
}

// The number of the icon image that the system would pick from |group| for
// |size| pixels: the nearest in size, then the nearest in colour depth to
// the screen's, the first of equals; 0 when there is none.
WORD BestIconId(const std::vector<BYTE>& group, int size) {
    constexpr size_t kHead = 6, kEntry = 14;
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof(count));
    count = static_cast<WORD>(std::min<size_t>(count, (group.size() - kHead) / kEntry));
    auto sizeOf = [&](WORD i) {
        const BYTE* entry = group.data() + kHead + i * kEntry;
        // 0 by 0 stands for 256.
        int width = entry[0], height = entry[1];
        if (width == 0 && height == 0) width = height = 256;
        return std::abs(size - width) + std::abs(size - height);
    };
    auto depthOf = [&](WORD i) {
        WORD bits = 0;
        std::memcpy(&bits, group.data() + kHead + i * kEntry + 6, sizeof(bits));
        return std::abs(ScreenDepth() - bits);
    };
    int bestSize = INT_MAX;
    for (WORD i = 0; i < count; ++i) bestSize = std::min(bestSize, sizeOf(i));
    int best = -1;
    for (WORD i = 0; i < count; ++i) {
        if (sizeOf(i) == bestSize && (best < 0 || depthOf(i) < depthOf(static_cast<WORD>(best)))) {
            best = i;
        }
    }
    WORD id = 0;
    if (best >= 0) std::memcpy(&id, group.data() + kHead + best * kEntry + 12, sizeof(id));
    return id;
}

}  // namespace

std::vector<BYTE> FirstIconImage(const ProgramFile& file, int size) {
    using Otherwise = ProgramFile::Otherwise;
    // The first group in the directory's order, whatever its name, as the
    // shell's index 0 means.
    std::vector<BYTE> group =
        file.Resource({LOWORD(RT_GROUP_ICON)}, {0, Otherwise::First}, {0, Otherwise::First});
    if (group.size() < 6) return {};
    WORD id = BestIconId(group, size);
    if (id == 0) return {};
    return file.Resource({LOWORD(RT_ICON)}, {id}, {0, Otherwise::First});
}

}  // namespace tolvane
