// A program file's resources, read from one opening of the file: the icon
// and the version strings of a row come from the same few reads. Loading
// the file as a resource library instead would take the loader's lock,
// which every worker thread and the window's own thread contend for, and
// mapping it costs twice what a few reads do; the list opens thousands.
// Safe to use on several threads at once, one object per thread.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/handles.h"

namespace tolvane {

class ProgramFile {
  public:
    explicit ProgramFile(const std::wstring& path);
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;

    // Whether the file is a 32- or 64-bit program or library whose headers
    // could be read; anything else (a script, an icon file, a 16-bit
    // program, a missing file) is not.
    bool IsImage() const { return image_; }

    // Which entry a level of the resource directory gives when the number
    // asked for is not there.
    enum class Otherwise { Nothing, FirstNumbered, First };
    struct Pick {
        WORD id = 0;
        Otherwise otherwise = Otherwise::Nothing;
    };
    // The bytes of the resource found by |type|, then |name|, then
    // |language|; empty when there is none or it does not fit in the file.
    std::vector<BYTE> Resource(Pick type, Pick name, Pick language) const;

  private:
    // |count| bytes at |offset|, read a block at a time; false when they do
    // not all lie in the file.
    bool ReadBytes(size_t offset, void* out, size_t count) const;
    template <typename T>
    bool Read(size_t offset, T& out) const {
        return ReadBytes(offset, &out, sizeof(T));
    }
    bool ReadHeaders();
    size_t OffsetOf(DWORD rva) const;
    std::optional<IMAGE_RESOURCE_DIRECTORY_ENTRY> EntryOf(size_t directory, Pick pick) const;

    UniqueFile file_;
    size_t size_ = 0;
    mutable std::map<size_t, std::vector<BYTE>> blocks_;  // by number, as read
    bool image_ = false;
    size_t resources_ = 0;  // where the root resource directory lies in the file; 0: none
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

// The image of the file's first icon that the system would show at |size|
// pixels, as the resources hold it; empty when the program has none.
std::vector<BYTE> FirstIconImage(const ProgramFile& file, int size);

}  // namespace tolvane
