#include "console/rows.h"

#include <algorithm>
#include <map>

#include "commands/changes.h"
#include "console/table.h"
#include "store/app_path_store.h"
#include "toolkit/csv.h"
#include "toolkit/toolkit.h"

namespace tolvane::console {

namespace {

LONG AppendHive(Scope scope, std::vector<AppPathEntry>& entries) {
    AppPathStore store = StoreOf(scope);
    LONG result = store.OpenAppPaths();
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    std::vector<AppPathEntry> listed;
    if (result == ERROR_SUCCESS) result = store.ListEntries(listed);
    for (AppPathEntry& entry : listed) entries.push_back(std::move(entry));
    return result;
}

bool Keeps(const RowFilter& filter, const AppPathEntry& entry) {
    return Includes(filter.scope, entry.scope) &&
           (!filter.name || SameName(entry.name, *filter.name));
}

// The default value's type, or nothing when there is no value to name.
JsonValue TypeJson(const AppPathEntry& entry) {
    if (entry.state == ValueState::Missing || entry.state == ValueState::Unreadable) return {};
    return TypeName(entry.type);
}

JsonValue PathValueJson(const TextValue& value) {
    return value.state == ValueState::Text ? JsonValue(value.raw) : JsonValue();
}

// Null for a string the file does not give.
JsonValue TextOrNull(const std::wstring& text) {
    return text.empty() ? JsonValue() : JsonValue(text);
}

// The version strings of every row's program, each file read once.
void Describe(std::vector<Row>& rows) {
    std::map<std::wstring, VersionStrings> known;
    for (Row& row : rows) {
        std::wstring file = ProgramPath(row.entry);
        if (file.empty()) continue;
        auto [found, added] = known.try_emplace(Folded(file));
        if (added) found->second = ReadVersionStrings(file);
        row.version = found->second;
    }
}

// A value of an open key byte for byte; none when it is not there or
// cannot be read.
std::optional<RegistryValue> ExactValue(HKEY key, const wchar_t* name) {
    // It may grow between two reads: a few more tries.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        RegistryValue value{name, type, std::vector<BYTE>(size)};
        LONG result = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        value.data.resize(size);
        return value;
    }
    return std::nullopt;
}

// What the listing read of a value, when it cannot be read byte for byte:
// its text, or the type of a value that is not text.
std::optional<RegistryValue> ListedValue(const wchar_t* name, ValueState state, DWORD type,
                                         const std::wstring& text) {
    if (state == ValueState::Text) return StringValue(name, type, text);
    if (state == ValueState::NotText) return RegistryValue{name, type};
    return std::nullopt;
}

// The default and Path values of a registration as JSON carries them.
ListedRegistration ListedOf(const AppPathEntry& entry) {
    ListedRegistration listed;
    listed.key = KeyOf(entry);
    listed.hasFolders = true;
    UniqueKey key;
    std::wstring path = std::wstring(kAppPathsSubKey) + L"\\" + entry.name;
    if (RegOpenKeyExW(HiveOf(entry.scope), path.c_str(), 0, KEY_QUERY_VALUE | kRegistryView,
                      key.put()) == ERROR_SUCCESS) {
        listed.target = ExactValue(key.get(), L"");
        listed.folders = ExactValue(key.get(), kPathValueName);
    }
    // A value that is not text and could not be read again goes with its
    // type alone, as older versions wrote it.
    listed.targetKnown = listed.target || entry.state != ValueState::NotText;
    if (!listed.target) listed.target = ListedValue(L"", entry.state, entry.type, entry.raw);
    if (!listed.folders) {
        const TextValue& folders = entry.pathValue;
        listed.folders = ListedValue(kPathValueName, folders.state, folders.type, folders.raw);
    }
    return listed;
}

std::wstring Tokens(const HealthReport& report, const wchar_t* separator) {
    std::wstring joined;
    for (const std::string& token : NoteTokens(report)) {
        if (!joined.empty()) joined += separator;
        joined += std::wstring(token.begin(), token.end());
    }
    return joined;
}

}  // namespace

LONG ReadEntries(std::vector<AppPathEntry>& entries) {
    entries.clear();
    LONG result = AppendHive(Scope::Machine, entries);
    return result == ERROR_SUCCESS ? AppendHive(Scope::User, entries) : result;
}

LONG ReadRows(const RowFilter& filter, std::vector<Row>& rows) {
    rows.clear();
    std::vector<AppPathEntry> entries;
    LONG result = ReadEntries(entries);
    if (result != ERROR_SUCCESS) return result;
    std::vector<bool> both = RegisteredInBothScopes(entries);
    SearchPlaces places = ReadSearchPlaces();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!Keeps(filter, entries[i])) continue;
        HealthReport report;
        if (filter.checked) report = CheckEntry(entries[i], places);
        report.scope = entries[i].scope;
        report.bothScopes = both[i];
        rows.push_back({std::move(entries[i]), std::move(report), {}});
    }
    if (filter.described) Describe(rows);
    return ERROR_SUCCESS;
}

bool IsBroken(const HealthReport& report) {
    return report.missingTarget || report.relativePath || !report.missingFolders.empty();
}

std::wstring RowsTable(const std::vector<Row>& rows, size_t width) {
    std::vector<std::vector<std::wstring>> lines = {{L"项目名称", L"程序路径", L"范围", L"状态"}};
    for (const Row& row : rows) {
        lines.push_back({row.entry.name, ShownPath(row.entry), ScopeText(row.entry.scope),
                         NotesText(row.report)});
    }
    return FittedTableText(lines, true, width, 1);
}

std::wstring RowDetails(const Row& row) {
    const AppPathEntry& entry = row.entry;
    std::vector<std::vector<std::wstring>> lines = {
        {L"项目名称", entry.name},
        {L"范围", ScopeText(entry.scope)},
        {L"程序路径", ShownPath(entry)},
    };
    JsonValue type = TypeJson(entry);
    if (type.kind() == JsonValue::Kind::String) lines.push_back({L"类型", type.text()});
    if (entry.type == REG_EXPAND_SZ) lines.push_back({L"展开后", ExpandedPath(entry)});
    if (entry.pathValue.state == ValueState::Text) {
        lines.push_back({L"附加路径", entry.pathValue.raw});
    }
    if (!row.version.publisher.empty()) lines.push_back({L"发布者", row.version.publisher});
    if (!row.version.description.empty()) lines.push_back({L"文件说明", row.version.description});
    lines.push_back({L"状态", NotesText(row.report)});
    return TableText(lines, false);
}

JsonValue RowsJson(const std::vector<Row>& rows) {
    JsonValue::Array items;
    for (const Row& row : rows) {
        const AppPathEntry& entry = row.entry;
        JsonValue::Array notes;
        for (const std::string& token : NoteTokens(row.report)) {
            notes.emplace_back(std::wstring(token.begin(), token.end()));
        }
        JsonValue::Object members = ListedMembers(ListedOf(entry));
        auto folders = std::find_if(members.begin(), members.end(), [](const auto& member) {
            return member.first == L"pathValue";
        });
        members.insert(folders, {L"expanded", ExpandedPath(entry)});
        members.emplace_back(L"notes", std::move(notes));
        members.emplace_back(L"publisher", TextOrNull(row.version.publisher));
        members.emplace_back(L"description", TextOrNull(row.version.description));
        items.emplace_back(std::move(members));
    }
    return JsonValue(std::move(items));
}

std::wstring RowsCsv(const std::vector<Row>& rows) {
    std::vector<std::vector<std::wstring>> records = {{L"name", L"scope", L"path", L"type",
                                                       L"expanded", L"pathValue", L"notes",
                                                       L"publisher", L"description"}};
    for (const Row& row : rows) {
        const AppPathEntry& entry = row.entry;
        records.push_back({entry.name, ScopeToken(entry.scope), ExportedPath(entry),
                           TypeJson(entry).text(), ExpandedPath(entry),
                           PathValueJson(entry.pathValue).text(), Tokens(row.report, L";"),
                           row.version.publisher, row.version.description});
    }
    return CsvText(records);
}

}  // namespace tolvane::console
