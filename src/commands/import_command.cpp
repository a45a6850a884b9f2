#include "commands/import_command.h"

#include <algorithm>

#include "store/app_path_store.h"
#include "toolkit/handles.h"

namespace tolvane {

namespace {

DWORD ReadWholeFile(const std::wstring& path, std::string& bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return GetLastError();
    if (size.QuadPart > kMostImportBytes) return ERROR_FILE_TOO_LARGE;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return GetLastError();
    }
    bytes.resize(read);
    return ERROR_SUCCESS;
}

}  // namespace

ImportCheck ImportCommand::Prepare(const std::wstring& file) {
    std::string bytes;
    code_ = ReadWholeFile(file, bytes);
    if (code_ == ERROR_FILE_NOT_FOUND || code_ == ERROR_PATH_NOT_FOUND) {
        return ImportCheck::FileMissing;
    }
    if (code_ == ERROR_FILE_TOO_LARGE) return ImportCheck::TooLarge;
    if (code_ != ERROR_SUCCESS) return ImportCheck::FileUnreadable;
    if (!ReadImportFile(bytes, request_, problem_)) return ImportCheck::Invalid;
    code_ = transaction_.Begin(KeysOf(request_));
    if (code_ != ERROR_SUCCESS) return ImportCheck::RegistryUnreadable;
    edits_ = EditsOf(request_, [this](const EntryKey& key) {
        const EntryBackup* backup = transaction_.Find(key);
        return backup ? TypeIn(backup->entry.key, kPathValueName) : DWORD{REG_NONE};
    });
    plan_ = PlanChanges(transaction_.backups(), edits_);
    leftAlone_ = LeftAlone(request_);
    return ImportCheck::Ready;
}

Scope ImportCommand::WrittenHive() const {
    bool machine = std::any_of(edits_.begin(), edits_.end(),
                               [](const KeyEdit& edit) { return edit.scope == Scope::Machine; });
    return machine ? Scope::Machine : Scope::User;
}

LONG ImportCommand::Apply() {
    return transaction_.Apply(edits_);
}

}  // namespace tolvane
