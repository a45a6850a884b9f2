#include "toolkit/file_facts.h"

#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// A folder is listed once this many of its files have been asked about in
// one listing: below that, looking at each costs less than reading a large
// folder such as System32 whole.
constexpr size_t kListAfter = 64;

WIN32_FILE_ATTRIBUTE_DATA FromFound(const WIN32_FIND_DATAW& found) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    data.dwFileAttributes = found.dwFileAttributes;
    data.ftCreationTime = found.ftCreationTime;
    data.ftLastAccessTime = found.ftLastAccessTime;
    data.ftLastWriteTime = found.ftLastWriteTime;
    data.nFileSizeHigh = found.nFileSizeHigh;
    data.nFileSizeLow = found.nFileSizeLow;
    return data;
}

}  // namespace

std::unordered_map<std::wstring, WIN32_FILE_ATTRIBUTE_DATA> FileFacts::List(
    const std::wstring& folder) {
    std::unordered_map<std::wstring, WIN32_FILE_ATTRIBUTE_DATA> files;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return files;
    do {
        files.emplace(Folded(found.cFileName), FromFound(found));
    } while (FindNextFileW(find.get(), &found));
    return files;
}

FileFacts::Fact FileFacts::Look(const std::wstring& path) {
    const std::wstring folded = Folded(path);
    const size_t cut = folded.find_last_of(L'\\');
    std::unique_lock lock(mutex_);
    auto known = known_.find(folded);
    if (known != known_.end()) return known->second;
    if (cut != std::wstring::npos && cut > 0 && cut + 1 < folded.size()) {
        const std::wstring folderKey = folded.substr(0, cut);
        Folder& folder = folders_[folderKey];
        if (!folder.listed && !folder.listing && ++folder.asked >= kListAfter) {
            folder.listing = true;
            lock.unlock();
            auto files = List(path.substr(0, cut));
            lock.lock();
            Folder& listed = folders_[folderKey];
            listed.files = std::move(files);
            listed.listed = true;
            listed.listing = false;
        }
        const Folder& seen = folders_[folderKey];
        auto file = seen.listed ? seen.files.find(folded.substr(cut + 1)) : seen.files.end();
        // A file that the listing lacks (a short name, one made since) is
        // looked at by itself.
        if (seen.listed && file != seen.files.end()) {
            Fact fact{ERROR_SUCCESS, file->second};
            known_.emplace(folded, fact);
            return fact;
        }
    }
    lock.unlock();
    Fact fact;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &fact.data)) {
        fact.error = GetLastError();
    }
    lock.lock();
    known_.emplace(folded, fact);
    return fact;
}

}  // namespace tolvane
