#include "commands/listing_json.h"

#include <cwchar>
#include <iterator>

#include "commands/changes.h"

namespace tolvane {

namespace {

constexpr const wchar_t* kTypeNames[] = {
    L"REG_NONE",
    L"REG_SZ",
    L"REG_EXPAND_SZ",
    L"REG_BINARY",
    L"REG_DWORD",
    L"REG_DWORD_BIG_ENDIAN",
    L"REG_LINK",
    L"REG_MULTI_SZ",
    L"REG_RESOURCE_LIST",
    L"REG_FULL_RESOURCE_DESCRIPTOR",
    L"REG_RESOURCE_REQUIREMENTS_LIST",
    L"REG_QWORD",
};

constexpr wchar_t kHexDigits[] = L"0123456789abcdef";

// The type that TypeName() calls |name|: one of the names, or a number.
bool TypeOfName(const std::wstring& name, DWORD& type) {
    for (DWORD i = 0; i < std::size(kTypeNames); ++i) {
        if (name == kTypeNames[i]) return (type = i), true;
    }
    if (name.empty() || name.size() > 10 || name.find_first_not_of(L"0123456789") != name.npos) {
        return false;
    }
    unsigned long long number = std::wcstoull(name.c_str(), nullptr, 10);
    type = static_cast<DWORD>(number);
    return number <= MAXDWORD;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Whether the text alone gives |value| back: text with one NUL, at its end.
bool IsExactText(const RegistryValue& value) {
    return IsText(value.type) &&
           StringValue(value.name, value.type, ValueText(value.data)) == value;
}

std::wstring Hex(const std::vector<BYTE>& bytes) {
    std::wstring hex;
    hex.reserve(bytes.size() * 2);
    for (BYTE byte : bytes) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0xF];
    }
    return hex;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool BytesOfHex(const std::wstring& hex, std::vector<BYTE>& bytes) {
    if (hex.size() % 2) return false;
    bytes.resize(hex.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = HexDigit(hex[2 * i]);
        int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<BYTE>(high * 16 + low);
    }
    return true;
}

bool IsNull(const JsonValue* member) {
    return !member || member->kind() == JsonValue::Kind::Null;
}

bool Gives(const JsonValue& item, const wchar_t* name) {
    return !IsNull(item.Find(name));
}

const std::wstring* StringMember(const JsonValue& item, const wchar_t* name) {
    const JsonValue* member = item.Find(name);
    return member && member->kind() == JsonValue::Kind::String ? &member->text() : nullptr;
}

// A member that must be a string or null (or missing); false with the reason.
bool ReadText(const JsonValue& item, const wchar_t* name, const std::wstring*& text,
              std::wstring& problem) {
    const JsonValue* member = item.Find(name);
    text = StringMember(item, name);
    if (IsNull(member) || text) return true;
    problem = std::wstring(name) + L" 应为字符串或 null";
    return false;
}

bool ReadType(const JsonValue& item, const wchar_t* name, std::optional<DWORD>& type,
              std::wstring& problem) {
    const std::wstring* text = nullptr;
    if (!ReadText(item, name, text, problem)) return false;
    DWORD read = REG_NONE;
    if (text && !TypeOfName(*text, read)) {
        problem = std::wstring(name) + L" 是未知的值类型 " + *text;
        return false;
    }
    type = text ? std::optional<DWORD>(read) : std::nullopt;
    return true;
}

bool ReadData(const JsonValue& item, const wchar_t* name, std::optional<std::vector<BYTE>>& data,
              std::wstring& problem) {
    const std::wstring* text = nullptr;
    if (!ReadText(item, name, text, problem)) return false;
    data.reset();
    if (!text) return true;
    if (!BytesOfHex(*text, data.emplace())) {
        problem = std::wstring(name) + L" 应为十六进制数字，每个字节两位";
        return false;
    }
    return true;
}

// One of the two values: |textName| carries its text, |typeName| its type
// and |dataName| its bytes. |value| is none when the item gives no type.
bool ReadValue(const JsonValue& item, const wchar_t* valueName, const wchar_t* textName,
               const wchar_t* typeName, const wchar_t* dataName,
               std::optional<RegistryValue>& value, std::wstring& problem) {
    const std::wstring* text = nullptr;
    std::optional<DWORD> type;
    std::optional<std::vector<BYTE>> data;
    if (!ReadText(item, textName, text, problem) || !ReadType(item, typeName, type, problem) ||
        !ReadData(item, dataName, data, problem)) {
        return false;
    }
    value.reset();
    if (!type) {
        if (data || (text && !text->empty())) {
            problem = std::wstring(L"有 ") + (data ? dataName : textName) + L" 却没有 " + typeName;
            return false;
        }
    } else if (data) {
        value = RegistryValue{valueName, *type, std::move(*data)};
    } else if (IsText(*type) && text) {
        value = StringValue(valueName, *type, *text);
    } else if (IsText(*type)) {
        problem = std::wstring(L"缺少 ") + textName;
        return false;
    } else {
        value = RegistryValue{valueName, *type};  // the type without its bytes
    }
    return true;
}

bool ReadFolders(const JsonValue& item, ListedRegistration& listed, std::wstring& problem) {
    listed.hasFolders =
        item.Find(L"pathValue") || item.Find(L"pathValueType") || item.Find(L"pathValueData");
    listed.foldersTyped = !listed.hasFolders || item.Find(L"pathValueType");
    if (!listed.foldersTyped) {
        // An older version's file: the text alone, typed when written.
        const std::wstring* text = nullptr;
        if (!ReadText(item, L"pathValue", text, problem)) return false;
        if (text) listed.folders = StringValue(kPathValueName, REG_SZ, *text);
        return true;
    }
    if (!ReadValue(item, kPathValueName, L"pathValue", L"pathValueType", L"pathValueData",
                   listed.folders, problem)) {
        return false;
    }
    if (listed.folders && !IsText(listed.folders->type) && !Gives(item, L"pathValueData")) {
        problem = L"pathValueType 为 " + TypeName(listed.folders->type) + L" 时需要 pathValueData";
        return false;
    }
    return true;
}

}  // namespace

std::wstring WholeText(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::wstring ValueText(const std::vector<BYTE>& data) {
    std::wstring text = WholeText(data);
    return text.substr(0, text.find(L'\0'));
}

std::wstring TypeName(DWORD type) {
    if (type < std::size(kTypeNames)) return kTypeNames[type];
    return std::to_wstring(type);
}

bool ListedRegistration::operator==(const ListedRegistration& other) const {
    return key.scope == other.key.scope && key.name == other.key.name && target == other.target &&
           targetKnown == other.targetKnown && hasFolders == other.hasFolders &&
           folders == other.folders && foldersTyped == other.foldersTyped;
}

JsonValue::Object ListedMembers(const ListedRegistration& listed) {
    const std::optional<RegistryValue>& target = listed.target;
    JsonValue::Object members = {
        {L"name", listed.key.name},
        {L"scope", ScopeToken(listed.key.scope)},
        {L"path", target && IsText(target->type) ? ValueText(target->data) : L""},
        {L"type", target ? JsonValue(TypeName(target->type)) : JsonValue()},
    };
    if (target && listed.targetKnown && !IsExactText(*target)) {
        members.emplace_back(L"data", Hex(target->data));
    }
    if (!listed.hasFolders) return members;
    const std::optional<RegistryValue>& folders = listed.folders;
    if (!listed.foldersTyped) {
        // Text alone, as an older version's file gave it.
        members.emplace_back(L"pathValue",
                             folders ? JsonValue(WholeText(folders->data)) : JsonValue());
        return members;
    }
    bool text = folders && IsText(folders->type);
    members.emplace_back(L"pathValue", text ? JsonValue(ValueText(folders->data)) : JsonValue());
    members.emplace_back(L"pathValueType",
                         folders ? JsonValue(TypeName(folders->type)) : JsonValue());
    if (folders && !IsExactText(*folders))
        members.emplace_back(L"pathValueData", Hex(folders->data));
    return members;
}

bool ReadListedItem(const JsonValue& item, ListedRegistration& listed, std::wstring& problem) {
    listed = ListedRegistration{};
    if (item.kind() != JsonValue::Kind::Object) return (problem = L"不是对象"), false;
    const std::wstring* name = StringMember(item, L"name");
    const std::wstring* scopeToken = StringMember(item, L"scope");
    if (!name) return (problem = L"缺少 name"), false;
    problem = EntryNameProblem(*name);
    if (!problem.empty()) return false;
    std::optional<Scope> scope = scopeToken ? ScopeOfToken(*scopeToken) : std::nullopt;
    if (!scope) return (problem = L"scope 应为 machine 或 user"), false;
    if (!item.Find(L"path")) return (problem = L"缺少 path"), false;
    listed.key = {*scope, *name};
    if (!ReadValue(item, L"", L"path", L"type", L"data", listed.target, problem)) return false;
    // Older versions wrote another type's name without its bytes.
    listed.targetKnown = !listed.target || IsText(listed.target->type) || Gives(item, L"data");
    return ReadFolders(item, listed, problem);
}

std::wstring LeftAloneReason(const ListedRegistration& listed) {
    if (listed.targetKnown) return {};
    return L"默认值的类型是 " + TypeName(listed.target->type) +
           L"，文件中没有它的数据（data），保持原样";
}

}  // namespace tolvane
