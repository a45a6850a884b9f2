#include "store/app_path_entry.h"

#include <algorithm>
#include <optional>

namespace tolvane {

namespace {

constexpr wchar_t kNotTextMarker[] = L"（非字符串值）";
constexpr wchar_t kUnreadableMarker[] = L"（无法读取）";

// The C0 and C1 control characters and DEL.
bool IsControl(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

const wchar_t* ScopeText(Scope scope) {
    return scope == Scope::User ? L"当前用户" : L"所有用户";
}

Scope OtherScope(Scope scope) {
    return scope == Scope::User ? Scope::Machine : Scope::User;
}

const wchar_t* ScopeToken(Scope scope) {
    return scope == Scope::User ? L"user" : L"machine";
}

std::optional<Scope> ScopeOfToken(const std::wstring& token) {
    for (Scope scope : {Scope::Machine, Scope::User}) {
        if (token == ScopeToken(scope)) return scope;
    }
    return std::nullopt;
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

NameFault KeyNameFault(std::wstring_view name) {
    if (name.empty()) return NameFault::Empty;
    if (name.find(L'\\') != std::wstring_view::npos) return NameFault::Backslash;
    if (std::any_of(name.begin(), name.end(), IsControl)) return NameFault::Control;
    if (name.size() > kMaxKeyNameLength) return NameFault::TooLong;
    if (name == L"." || name == L"..") return NameFault::Dots;
    return NameFault::None;
}

NameFault ValueNameFault(std::wstring_view name) {
    if (name.find(L'\0') != std::wstring_view::npos) return NameFault::Control;
    if (name.size() > kMaxValueNameLength) return NameFault::TooLong;
    return NameFault::None;
}

std::wstring NameFaultText(NameFault fault, NameRole role) {
    const wchar_t* subject = role == NameRole::Registration ? L"项目名称"
                             : role == NameRole::Subkey     ? L"子键名称"
                                                            : L"值名称";
    size_t most = role == NameRole::Value ? kMaxValueNameLength : kMaxKeyNameLength;
    switch (fault) {
        case NameFault::None:
            return {};
        case NameFault::Empty:
            return std::wstring(subject) + L"不能为空！";
        case NameFault::Backslash:
            // Only a registration's name can hold one: a backslash ends
            // a subkey's name, and values may hold it.
            return kBackslashMessage;
        case NameFault::Control:
            return std::wstring(subject) +
                   (role == NameRole::Value ? L"不能包含空字符！" : L"不能包含控制字符！");
        case NameFault::TooLong:
            return std::wstring(subject) + L"不能超过 " + std::to_wstring(most) + L" 个字符！";
        case NameFault::Dots:
            return std::wstring(subject) + L"不能是“.”或“..”！";
    }
    return {};
}

bool IsAllowedEntryName(const std::wstring& name) {
    return KeyNameFault(name) == NameFault::None;
}

std::wstring EntryNameProblem(const std::wstring& name) {
    return NameFaultText(KeyNameFault(name), NameRole::Registration);
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

bool NameOrder::operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

bool EntryOrder::operator()(const EntryKey& a, const EntryKey& b) const {
    if (a.scope != b.scope) return a.scope < b.scope;
    return NameOrder()(a.name, b.name);
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
