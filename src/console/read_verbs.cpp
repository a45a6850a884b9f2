// The verbs that read: list, show, check, which and export.
#include <algorithm>
#include <initializer_list>

#include "commands/registration_commands.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/output.h"
#include "console/rows.h"
#include "console/table.h"
#include "console/verbs.h"
#include "export/export_commands.h"
#include "export/export_writer.h"
#include "export/text_file.h"
#include "toolkit/narrow.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kReadFailed[] = L"读取注册项失败！";

using Formats = std::initializer_list<std::wstring_view>;

// "a、b 或 c"
std::wstring Joined(Formats formats) {
    std::wstring joined;
    size_t index = 0;
    for (std::wstring_view format : formats) {
        if (index++) joined += index == formats.size() ? L" 或 " : L"、";
        joined += format;
    }
    return joined;
}

// --format, one of |formats|; the first when not given.
bool ReadFormat(const Invocation& call, Formats formats, std::wstring& format,
                std::wstring& problem) {
    const std::wstring* value = call.Value(L"--format");
    format = value ? *value : std::wstring(*formats.begin());
    if (std::find(formats.begin(), formats.end(), format) != formats.end()) return true;
    problem = L"--format 的值“" + format + L"”无效，应为 " + Joined(formats) + L"。";
    return false;
}

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The export format that a file's extension names; empty for none.
std::wstring FormatOfFile(const std::wstring& file) {
    size_t dot = file.find_last_of(L'.');
    if (dot == std::wstring::npos || file.find_first_of(L"\\/", dot) != std::wstring::npos) {
        return {};
    }
    std::wstring extension = Lower(file.substr(dot + 1));
    if (extension == L"htm") return L"html";
    for (const wchar_t* format : {L"reg", L"json", L"csv", L"html", L"xml"}) {
        if (extension == format) return format;
    }
    return {};
}

// A table written to a console fits its width; one that goes to a file or
// a pipe stays whole.
size_t StandardOutputColumns() {
    return ConsoleColumns(GetStdHandle(STD_OUTPUT_HANDLE));
}

std::wstring Formatted(const std::vector<Row>& rows, const std::wstring& format) {
    if (format == L"json") return FromUtf8(ToJson(RowsJson(rows)));
    if (format == L"csv") return RowsCsv(rows);
    return RowsTable(rows, StandardOutputColumns());
}

// The rows that |filter| keeps, or the exit code of the failure.
bool ReadShownRows(const RowFilter& filter, std::vector<Row>& rows, int& failure) {
    LONG result = ReadRows(filter, rows);
    if (result == ERROR_SUCCESS) return true;
    failure = RegistryFailure(result, kReadFailed, std::nullopt);
    return false;
}

const wchar_t* PlaceText(Place place) {
    switch (place) {
        case Place::WindowsFolder:
            return L"Windows 文件夹";
        case Place::SystemFolder:
            return L"系统文件夹";
        case Place::PathFolder:
            return L"PATH 中的文件夹";
        case Place::UserAppPaths:
            return L"当前用户的 App Paths";
        default:
            return L"所有用户的 App Paths";
    }
}

bool IsAppPaths(Place place) {
    return place == Place::UserAppPaths || place == Place::MachineAppPaths;
}

// The places of |candidates| but |found|, in the search order: every one,
// or only those that hold the name, a file or a registration.
std::wstring OtherPlaces(const std::vector<Candidate>& candidates, const Candidate* found,
                         bool holdersOnly) {
    std::vector<std::vector<std::wstring>> lines;
    for (const Candidate& candidate : candidates) {
        if (&candidate == found ||
            (holdersOnly && !candidate.exists && !IsAppPaths(candidate.place))) {
            continue;
        }
        const wchar_t* state = candidate.exists ? L"未采用" : L"不存在";
        std::wstring file = candidate.file.empty() ? L"（没有程序路径）" : candidate.file;
        lines.push_back({L"", state, PlaceText(candidate.place), file});
    }
    return TableText(lines, false);
}

// The first line: the file that starts. Then where it was found, and
// every other place that holds the name.
std::wstring WhichText(const std::vector<Candidate>& candidates, const Candidate& found) {
    std::wstring text = found.file + L"\n找到位置：" + PlaceText(found.place) + L"\n";
    std::wstring others = OtherPlaces(candidates, &found, true);
    return others.empty() ? text : text + L"其他有此名称的位置：\n" + others;
}

int ExportDone(size_t count, const std::wstring& file) {
    Tell(L"已导出 " + std::to_wstring(count) + L" 个注册项到 " + file + L"。");
    return kExitSuccess;
}

// Every value and subkey of the registrations in |scope|, read once each.
int ExportReg(const std::wstring& file, ScopeChoice scope) {
    std::vector<Scope> scopes;
    for (Scope hive : {Scope::Machine, Scope::User}) {
        if (Includes(scope, hive)) scopes.push_back(hive);
    }
    SnapshotOutcome outcome = SaveRegSnapshot(Hives{}, scopes, file);
    if (outcome.read != ERROR_SUCCESS) {
        return RegistryFailure(outcome.read, kExportFailed, std::nullopt);
    }
    if (outcome.written != ERROR_SUCCESS) return FileFailure(outcome.written, kExportFailed, file);
    return ExportDone(outcome.count, file);
}

SYSTEMTIME Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

DWORD WriteExport(const std::wstring& file, const std::wstring& format,
                  const std::vector<Row>& rows) {
    if (format == L"json") return WriteWholeFile(file, ToJson(RowsJson(rows)));
    // The byte order mark tells spreadsheet programs that the file is UTF-8.
    if (format == L"csv") return WriteWholeFile(file, "\xEF\xBB\xBF" + ToUtf8(RowsCsv(rows)));
    std::vector<AppPathEntry> entries;
    for (const Row& row : rows) entries.push_back(row.entry);
    if (format == L"html") return WriteTextFile(file, HtmlPieces(entries, Now()));
    return WriteTextFile(file, XmlPieces(entries, Now()));
}

}  // namespace

int List(const Invocation& call) {
    ScopeChoice scope;
    std::wstring format, problem;
    if (!ReadScopeOption(call, false, scope, problem) ||
        !ReadFormat(call, {L"table", L"json", L"csv"}, format, problem)) {
        return BadUsage(problem);
    }
    std::vector<Row> rows;
    int failure = kExitFailure;
    if (!ReadShownRows({scope, nullptr, true, format != L"table"}, rows, failure)) return failure;
    // With both, the rows that are either.
    const bool broken = call.Has(L"--broken"), suspicious = call.Has(L"--suspicious");
    if (broken || suspicious) {
        std::erase_if(rows, [&](const Row& row) {
            return !(broken && IsBroken(row.report)) && !(suspicious && IsSuspicious(row.report));
        });
    }
    return Print(Formatted(rows, format));
}

int Show(const Invocation& call) {
    ScopeChoice scope;
    std::wstring name, format, problem;
    if (!EntryNameOf(call.operands[0], name, problem) ||
        !ReadScopeOption(call, false, scope, problem) ||
        !ReadFormat(call, {L"table", L"json"}, format, problem)) {
        return BadUsage(problem);
    }
    std::vector<Row> rows;
    int failure = kExitFailure;
    if (!ReadShownRows({scope, &name, true, true}, rows, failure)) return failure;
    if (rows.empty()) return Refuse(L"项目 " + name + L" 不存在！", kExitConditionFailed);
    if (format == L"json") return Print(Formatted(rows, format));
    std::wstring text;
    for (const Row& row : rows) text += (text.empty() ? L"" : L"\n") + RowDetails(row);
    return Print(text);
}

int Check(const Invocation& call) {
    ScopeChoice scope;
    std::wstring problem;
    if (!ReadScopeOption(call, false, scope, problem)) return BadUsage(problem);
    std::vector<Row> rows;
    int failure = kExitFailure;
    if (!ReadShownRows({scope}, rows, failure)) return failure;
    // A registration that stands in for a program of the same name does what
    // it was made for; only one that looks planted is a finding.
    std::erase_if(rows, [](const Row& row) {
        return !row.report.missingTarget && !IsSuspicious(row.report);
    });
    if (rows.empty()) {
        Tell(L"没有发现程序不存在或可疑的注册项。");
        return kExitSuccess;
    }
    int printed = Print(RowsTable(rows, StandardOutputColumns()));
    return printed == kExitSuccess ? kExitConditionFailed : printed;
}

int Which(const Invocation& call) {
    std::wstring name, problem;
    if (!EntryNameOf(call.operands[0], name, problem)) return BadUsage(problem);
    std::vector<AppPathEntry> entries;
    LONG result = ReadEntries(entries);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kReadFailed, std::nullopt);
    std::vector<Candidate> candidates = Resolve(name, ReadSearchPlaces(), entries);
    auto found = std::find_if(candidates.begin(), candidates.end(),
                              [](const Candidate& candidate) { return candidate.exists; });
    if (found == candidates.end()) {
        Tell(L"tolvanec：找不到会启动的 " + name + L"，查找过的位置：\n" +
             OtherPlaces(candidates, nullptr, false));
        return kExitConditionFailed;
    }
    return Print(WhichText(candidates, *found));
}

int Export(const Invocation& call) {
    const std::wstring& file = call.operands[0];
    ScopeChoice scope;
    std::wstring format, problem;
    if (!ReadScopeOption(call, false, scope, problem)) return BadUsage(problem);
    if (!call.Has(L"--format") && (format = FormatOfFile(file)).empty()) {
        return BadUsage(
            L"无法从文件名判断导出格式，请用 --format 指定 reg、json、csv、html 或 xml。");
    }
    if (format.empty() &&
        !ReadFormat(call, {L"reg", L"json", L"csv", L"html", L"xml"}, format, problem)) {
        return BadUsage(problem);
    }
    if (format == L"reg") return ExportReg(file, scope);
    std::vector<Row> rows;
    int failure = kExitFailure;
    // Only the listing's formats tell the registrations' health.
    bool checked = format == L"json" || format == L"csv";
    if (!ReadShownRows({scope, nullptr, checked, checked}, rows, failure)) return failure;
    // The JSON is read back by import, which would take a value it could
    // not see for one that is not there, and delete it.
    if (format == L"json" && std::any_of(rows.begin(), rows.end(), [](const Row& row) {
            return row.entry.state == ValueState::Unreadable ||
                   row.entry.pathValue.state == ValueState::Unreadable;
        })) {
        return RegistryFailure(ERROR_ACCESS_DENIED, kExportFailed, std::nullopt);
    }
    DWORD result = WriteExport(file, format, rows);
    if (result != ERROR_SUCCESS) return FileFailure(result, kExportFailed, file);
    return ExportDone(rows.size(), file);
}

}  // namespace tolvane::console
