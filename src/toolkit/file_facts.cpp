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

FileFacts::Listing FileFacts::List(const std::wstring& folder) {
    Listing listing;
    WIN32_FIND_DATAW found;
    // The standard level gives the short names too.
    UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoStandard, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        DWORD error = GetLastError();
        listing.absent = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND;
        return listing;
    }
    do {
        listing.files.emplace(Folded(found.cFileName), FromFound(found));
        if (found.cAlternateFileName[0]) {
            listing.files.emplace(Folded(found.cAlternateFileName), FromFound(found));
        }
    } while (FindNextFileW(find.get(), &found));
    listing.whole = GetLastError() == ERROR_NO_MORE_FILES;
    return listing;
}

std::optional<FileFacts::Fact> FileFacts::FromListing(const Listing& listing,
                                                      const std::wstring& name) {
    if (listing.absent) return Fact{ERROR_PATH_NOT_FOUND, {}};
    auto file = listing.files.find(name);
    if (file != listing.files.end()) return Fact{ERROR_SUCCESS, file->second};
    // A name that the file system would read otherwise (a stream, trailing
    // dots or spaces, letters whose case folds differently there) is
    // looked at by itself; any other name missing from a whole listing is
    // not there. Looking for a missing file one by one reads a large
    // folder whole each time on some file systems.
    bool plain = listing.whole && name.find(L':') == std::wstring::npos && name.back() != L'.' &&
                 name.back() != L' ';
    for (wchar_t c : name) plain = plain && c < 0x80;
    if (plain) return Fact{ERROR_FILE_NOT_FOUND, {}};
    return std::nullopt;
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
            Listing listing = List(path.substr(0, cut));
            lock.lock();
            Folder& listed = folders_[folderKey];
            listed.seen = std::move(listing);
            listed.listed = true;
            listed.listing = false;
        }
        const Folder& seen = folders_[folderKey];
        std::optional<Fact> fact =
            seen.listed ? FromListing(seen.seen, folded.substr(cut + 1)) : std::nullopt;
        if (fact) {
            known_.emplace(folded, *fact);
            return *fact;
        }
    }
    lock.unlock();
    Fact fact = LookAt(nullptr, path);
    lock.lock();
    known_.emplace(folded, fact);
    return fact;
}

FileFacts::Fact LookAt(FileFacts* facts, const std::wstring& path) {
    if (facts) return facts->Look(path);
    FileFacts::Fact fact;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &fact.data)) {
        fact.error = GetLastError();
    }
    return fact;
}

}  // namespace tolvane
