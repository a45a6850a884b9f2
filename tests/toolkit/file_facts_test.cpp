// What the listing's facts say of files agrees with what the file system
// says of each, before and after the folder is read whole.
#include "toolkit/file_facts.h"

#include <gtest/gtest.h>

#include "support/files.h"

namespace tolvane {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

// The file system's own answer, in the facts' shape.
FileFacts::Fact Direct(const std::wstring& path) {
    FileFacts::Fact fact;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &fact.data)) {
        fact.error = GetLastError();
    }
    return fact;
}

void ExpectSame(const FileFacts::Fact& told, const FileFacts::Fact& direct,
                const std::wstring& path) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    // A missing file and a missing folder are both absent to every caller.
    EXPECT_EQ(told.error == ERROR_SUCCESS, direct.error == ERROR_SUCCESS);
    if (told.error != ERROR_SUCCESS) return;
    EXPECT_EQ(told.data.dwFileAttributes, direct.data.dwFileAttributes);
    EXPECT_EQ(told.data.nFileSizeLow, direct.data.nFileSizeLow);
    EXPECT_EQ(told.data.ftLastWriteTime.dwLowDateTime, direct.data.ftLastWriteTime.dwLowDateTime);
}

TEST(FileFactsTest, AgreeWithTheFileSystemWhenTheFolderIsListedWhole) {
    TempFolder folder;
    std::vector<std::wstring> asked;
    for (int i = 0; i < 100; ++i) {
        std::wstring name = L"program" + std::to_wstring(i) + L".exe";
        // Every third is registered but not there.
        if (i % 3) WriteBytes(folder.File(name), std::string(static_cast<size_t>(i), 'x'));
        asked.push_back(folder.File(name));
    }
    CreateDirectoryW(folder.File(L"sub").c_str(), nullptr);
    asked.push_back(folder.File(L"sub"));
    asked.push_back(folder.File(L"PROGRAM1.EXE"));           // another case
    asked.push_back(folder.File(L"程序.exe"));               // not plain: looked at by itself
    asked.push_back(folder.File(L"nowhere\\program1.exe"));  // in a folder that is not there
    wchar_t shortName[MAX_PATH] = {};
    if (GetShortPathNameW(folder.File(L"program10.exe").c_str(), shortName, MAX_PATH)) {
        asked.push_back(shortName);
    }
    FileFacts facts;
    for (const std::wstring& path : asked) ExpectSame(facts.Look(path), Direct(path), path);
    // Asked again, the same answers, now from what was seen.
    for (const std::wstring& path : asked) ExpectSame(facts.Look(path), Direct(path), path);
}

}  // namespace
}  // namespace tolvane
