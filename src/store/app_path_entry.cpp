#include "store/app_path_entry.h"

namespace tolvane {

namespace {

constexpr wchar_t kNotTextMarker[] = L"（非字符串值）";
constexpr wchar_t kUnreadableMarker[] = L"（无法读取）";

}  // namespace

const wchar_t* ScopeText(Scope scope) {
    return scope == Scope::User ? L"当前用户" : L"所有用户";
}

Scope OtherScope(Scope scope) {
    return scope == Scope::User ? Scope::Machine : Scope::User;
}

AppPathEntry TextEntry(std::wstring name, std::wstring path, Scope scope) {
    AppPathEntry entry;
    entry.name = std::move(name);
    entry.scope = scope;
    entry.state = ValueState::Text;
    entry.type = REG_SZ;
    entry.raw = std::move(path);
    return entry;
}

std::wstring WithExeSuffix(const std::wstring& name) {
    std::wstring tail = name.substr(name.size() > 4 ? name.size() - 4 : 0);
    CharLowerBuffW(tail.data(), static_cast<DWORD>(tail.size()));
    return tail == L".exe" ? name : name + L".exe";
}

bool IsAllowedEntryName(const std::wstring& name) {
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

EntryKey KeyOf(const AppPathEntry& entry) {
    return {entry.scope, entry.name};
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool SameEntry(const EntryKey& a, const EntryKey& b) {
    return a.scope == b.scope && SameName(a.name, b.name);
}

bool Matches(const AppPathEntry& entry, const EntryKey& key) {
    return SameEntry(KeyOf(entry), key);
}

std::wstring ShownPath(const AppPathEntry& entry) {
    switch (entry.state) {
        case ValueState::NotText:
            return kNotTextMarker;
        case ValueState::Unreadable:
            return kUnreadableMarker;
        default:
            return entry.raw;
    }
}

const std::wstring& ExportedPath(const AppPathEntry& entry) {
    static const std::wstring kEmpty;
    return entry.state == ValueState::Text ? entry.raw : kEmpty;
}

std::wstring ExpandedPath(const AppPathEntry& entry) {
    if (entry.state != ValueState::Text) return {};
    return entry.type == REG_EXPAND_SZ ? ExpandEnvironment(entry.raw) : entry.raw;
}

DWORD TypeForWrite(DWORD previousType, const std::wstring& text) {
    if (previousType == REG_EXPAND_SZ) return REG_EXPAND_SZ;
    return text.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
    std::wstring expanded(text.size() + 64, L'\0');
    for (;;) {
        DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(),
                                                 static_cast<DWORD>(expanded.size()));
        if (needed == 0) return text;
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.resize(needed);
    }
}

}  // namespace tolvane
