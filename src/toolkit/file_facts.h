// What the files of one listing are, each looked at once. A row's icon and
// its checks ask about the same program file, and a folder that holds many
// of the files asked about is listed once instead of asked file by file: a
// refresh of thousands of registrations otherwise looks at every program
// twice, one file at a time. Made anew for each listing, so that nothing
// older than the listing is told; safe to use on several threads at once.
#pragma once

#include <windows.h>

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace tolvane {

class FileFacts {
  public:
    struct Fact {
        DWORD error = ERROR_SUCCESS;  // as GetFileAttributesExW gives it
        WIN32_FILE_ATTRIBUTE_DATA data{};
    };

    // |path| as the file system takes it. Never waits for another thread's
    // look at a folder: it looks at the file itself meanwhile.
    Fact Look(const std::wstring& path);

  private:
    struct Listing {
        // By folded name, long and short.
        std::unordered_map<std::wstring, WIN32_FILE_ATTRIBUTE_DATA> files;
        bool whole = false;   // every file is in |files|
        bool absent = false;  // there is no such folder
    };
    struct Folder {
        size_t asked = 0;
        bool listing = false;  // a thread is listing it
        bool listed = false;
        Listing seen;
    };
    static Listing List(const std::wstring& folder);
    // What the listing of a folder says of its file |name| (folded); none
    // when the file must be looked at by itself.
    static std::optional<Fact> FromListing(const Listing& listing, const std::wstring& name);

    std::mutex mutex_;
    std::unordered_map<std::wstring, Fact> known_;      // by folded path
    std::unordered_map<std::wstring, Folder> folders_;  // by folded folder
};

// What |path| is: from |facts| when given, else looked at now.
FileFacts::Fact LookAt(FileFacts* facts, const std::wstring& path);

}  // namespace tolvane
