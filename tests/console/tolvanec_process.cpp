#include "console/tolvanec_process.h"

#include <gtest/gtest.h>

#include "store/app_path_store.h"
#include "support/files.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"

namespace tolvane::testing {

namespace {

std::wstring TolvanecPath() {
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    path = path.substr(0, path.find_last_of(L'\\'));  // build\tests
    return path.substr(0, path.find_last_of(L'\\')) + L"\\tolvanec.exe";
}

std::string ReadAll(HANDLE from) {
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(from, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::wstring Strict(const std::string& bytes) {
    std::wstring text;
    EXPECT_TRUE(FromUtf8(bytes, text)) << "not UTF-8";
    return text;
}

}  // namespace

std::wstring Outcome::Out() const {
    return Strict(out);
}

std::wstring Outcome::Err() const {
    return Strict(err);
}

Outcome RunTolvanec(const std::wstring& arguments) {
    Outcome outcome;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "no pipe: " << GetLastError();
        return outcome;
    }
    UniqueFile pipeOut(readEnd), pipeIn(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring errPath = TempFolder() + L"tolvanec-err.txt";
    UniqueFile err(CreateFileW(errPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = pipeIn.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    std::wstring exe = TolvanecPath();
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    auto start = [&] {
        return CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                              nullptr, nullptr, &startup, &process);
    };
    // Under a loaded machine, Wine now and then fails a start with an
    // internal error before the program runs at all: that start is tried
    // once more.
    bool started = start() || (GetLastError() == ERROR_INTERNAL_ERROR && start());
    if (!started) {
        ADD_FAILURE() << "tolvanec.exe did not start: " << GetLastError();
        return outcome;
    }
    UniqueFile thread(process.hThread), running(process.hProcess);
    pipeIn.reset();  // the child holds the only writing end now
    outcome.out = ReadAll(pipeOut.get());
    EXPECT_EQ(WaitForSingleObject(running.get(), 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(running.get(), &outcome.code);
    SetFilePointer(err.get(), 0, nullptr, FILE_BEGIN);
    outcome.err = ReadAll(err.get());
    return outcome;
}

std::vector<EntrySnapshot> Registrations() {
    std::vector<EntrySnapshot> snapshots;
    for (Scope scope : {Scope::Machine, Scope::User}) {
        AppPathStore store(HiveOf(scope), kAppPathsSubKey, scope);
        std::vector<AppPathEntry> entries;
        if (store.OpenAppPaths() == ERROR_SUCCESS) store.ListEntries(entries);
        for (const AppPathEntry& entry : entries) {
            EntrySnapshot snapshot;
            EXPECT_EQ(ReadEntrySnapshot(KeyOf(entry), snapshot), ERROR_SUCCESS) << entry.name;
            snapshots.push_back(std::move(snapshot));
        }
    }
    return snapshots;
}

KeySnapshot Registration(Scope scope, const std::wstring& name) {
    EntrySnapshot snapshot;
    ReadEntrySnapshot({scope, name}, snapshot);
    return snapshot.key;
}

const RegistryValue* ValueOf(const KeySnapshot& key, const std::wstring& name) {
    for (const RegistryValue& value : key.values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

std::wstring TextOf(const RegistryValue& value) {
    std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()),
                      value.data.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

void MakeFile(const std::wstring& path) {
    WriteBytes(path, "MZ");
}

}  // namespace tolvane::testing
