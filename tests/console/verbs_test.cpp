// The verbs against the test prefix's registry and files: what they print,
// what they change, and their exit codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "console/tolvanec_process.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/json.h"
#include "toolkit/narrow.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

const Scope kBoth[] = {Scope::Machine, Scope::User};

std::wstring Word(Scope scope) {
    return scope == Scope::User ? L"user" : L"machine";
}

JsonValue ParsedJson(const Outcome& outcome) {
    JsonValue value;
    JsonError error;
    EXPECT_TRUE(ParseJson(outcome.out, value, error)) << error.line;
    return value;
}

std::wstring Member(const JsonValue& item, const wchar_t* name) {
    const JsonValue* member = item.Find(name);
    if (!member) return L"<absent>";
    return member->kind() == JsonValue::Kind::Null ? L"<null>" : member->text();
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The notes of a JSON item, joined by ";".
std::wstring NotesOf(const JsonValue& item) {
    std::wstring notes;
    for (const JsonValue& note : item.Find(L"notes")->items()) notes += note.text() + L";";
    return notes;
}

class Verbs : public ::testing::Test {
  protected:
    void SetUp() override { ClearAppPaths(); }
};

}  // namespace

TEST_F(Verbs, AddShowSetAndRemoveInEitherHive) {
    for (Scope scope : kBoth) {
        SCOPED_TRACE(Word(scope));
        const std::wstring in = L" --scope " + Word(scope);
        Scope other = scope == Scope::User ? Scope::Machine : Scope::User;

        EXPECT_EQ(RunTolvanec(L"add TvApp C:\\tv\\app.exe --path C:\\tv" + in).code, 0u);
        KeySnapshot key = Registration(scope, L"TvApp.exe");
        ASSERT_EQ(key.values.size(), 2u);
        EXPECT_EQ(ValueOf(key, L"")->type, DWORD{REG_SZ});
        EXPECT_EQ(TextOf(*ValueOf(key, L"")), L"C:\\tv\\app.exe");
        EXPECT_EQ(TextOf(*ValueOf(key, L"Path")), L"C:\\tv");
        EXPECT_TRUE(Registration(other, L"TvApp.exe").values.empty());

        Outcome again = RunTolvanec(L"add tvapp.EXE D:\\x.exe" + in);
        EXPECT_EQ(again.code, 1u);
        EXPECT_NE(again.Err().find(L"项目 tvapp.EXE 已存在！"), std::wstring::npos);

        // set changes only what it is given, and REG_EXPAND_SZ where "%" asks.
        PutNamedValue(L"TvApp.exe", L"Keep", L"kept", REG_EXPAND_SZ, scope);
        EXPECT_EQ(RunTolvanec(L"set tvapp --target %TVDIR%\\app.exe" + in).code, 0u);
        key = Registration(scope, L"TvApp.exe");
        EXPECT_EQ(ValueOf(key, L"")->type, DWORD{REG_EXPAND_SZ});
        EXPECT_EQ(TextOf(*ValueOf(key, L"Path")), L"C:\\tv");
        EXPECT_EQ(RunTolvanec(L"set tvapp --target C:\\tv\\2.exe --path \"\"" + in).code, 0u);
        key = Registration(scope, L"TvApp.exe");
        EXPECT_EQ(ValueOf(key, L"")->type, DWORD{REG_EXPAND_SZ}) << "REG_EXPAND_SZ stays";
        EXPECT_EQ(TextOf(*ValueOf(key, L"")), L"C:\\tv\\2.exe");
        EXPECT_EQ(ValueOf(key, L"Path"), nullptr);
        ASSERT_NE(ValueOf(key, L"Keep"), nullptr);

        JsonValue shown = ParsedJson(RunTolvanec(L"show tvapp --format json" + in));
        ASSERT_EQ(shown.items().size(), 1u);
        EXPECT_EQ(Member(shown.items()[0], L"name"), L"TvApp.exe");
        EXPECT_EQ(Member(shown.items()[0], L"scope"), Word(scope));
        EXPECT_EQ(Member(shown.items()[0], L"type"), L"REG_EXPAND_SZ");
        EXPECT_EQ(Member(shown.items()[0], L"pathValue"), L"<null>");

        EXPECT_EQ(RunTolvanec(L"add tvapp D:\\new.exe --force" + in).code, 0u);
        key = Registration(scope, L"TvApp.exe");
        EXPECT_EQ(TextOf(*ValueOf(key, L"")), L"D:\\new.exe");
        EXPECT_EQ(ValueOf(key, L"")->type, DWORD{REG_SZ}) << "a new path, written as new";
        EXPECT_NE(ValueOf(key, L"Keep"), nullptr);

        EXPECT_EQ(RunTolvanec(L"remove TVAPP" + in).code, 0u);
        EXPECT_TRUE(Registration(scope, L"TvApp.exe").values.empty());
        for (const wchar_t* gone : {L"remove tvapp", L"show tvapp", L"set tvapp --path C:\\"}) {
            EXPECT_EQ(RunTolvanec(gone + in).code, 1u) << gone;
        }
    }
}

// Both hives, in the registry's order, with names no code page holds, read
// through a pipe.
TEST_F(Verbs, ListShowsBothHivesAsTableJsonAndCsv) {
    const std::wstring worldly = L"测试한글😀.exe";
    PutEntry(L"ok.exe", L"C:\\windows\\notepad.exe");
    PutEntry(L"gone.exe", L"C:\\nowhere\\gone.exe");
    PutNamedValue(L"gone.exe", L"Path", L"C:\\windows");
    PutNamedValue(L"ok.exe", L"", L"%SystemRoot%\\notepad.exe", REG_EXPAND_SZ, Scope::User);
    ASSERT_EQ(RunTolvanec(L"add " + worldly + L" C:\\windows\\notepad.exe --scope user").code, 0u);

    JsonValue listed = ParsedJson(RunTolvanec(L"list --format json"));
    std::vector<EntrySnapshot> registry = Registrations();
    ASSERT_EQ(listed.items().size(), registry.size());
    for (size_t i = 0; i < registry.size(); ++i) {
        const JsonValue& item = listed.items()[i];
        const KeySnapshot& key = registry[i].key;
        EXPECT_EQ(Member(item, L"name"), key.name);
        EXPECT_EQ(Member(item, L"scope"), Word(registry[i].scope));
        EXPECT_EQ(Member(item, L"path"), TextOf(*ValueOf(key, L"")));
        const RegistryValue* path = ValueOf(key, L"Path");
        EXPECT_EQ(Member(item, L"pathValue"), path ? TextOf(*path) : L"<null>");
        bool expand = ValueOf(key, L"")->type == REG_EXPAND_SZ;
        EXPECT_EQ(Member(item, L"type"), expand ? L"REG_EXPAND_SZ" : L"REG_SZ");
        EXPECT_EQ(Member(item, L"expanded"),
                  expand ? L"C:\\windows\\notepad.exe" : Member(item, L"path"));
        const bool machine = registry[i].scope == Scope::Machine;
        EXPECT_EQ(NotesOf(item), key.name == L"gone.exe" ? L"missing-target;"
                                 : key.name != L"ok.exe" ? L""
                                 : machine               ? L"both-scopes;overridden-by-user;"
                                                         : L"both-scopes;");
    }
    EXPECT_EQ(registry.front().scope, Scope::Machine);

    JsonValue broken = ParsedJson(RunTolvanec(L"list --broken --format json"));
    ASSERT_EQ(broken.items().size(), 1u);
    EXPECT_EQ(Member(broken.items()[0], L"name"), L"gone.exe");

    Outcome csv = RunTolvanec(L"list --scope user --format csv");
    EXPECT_EQ(csv.out.substr(0, 5), "name,") << "no byte order mark on standard output";
    EXPECT_EQ(
        Lines(csv.Out()),
        (std::vector<std::wstring>{
            L"name,scope,path,type,expanded,pathValue,notes,publisher,description",
            L"ok.exe,user,%SystemRoot%\\notepad.exe,REG_EXPAND_SZ,C:\\windows\\notepad.exe,,"
            L"both-scopes,,",
            worldly + L",user,C:\\windows\\notepad.exe,REG_SZ,C:\\windows\\notepad.exe,,,,"}));

    // The name column is as wide as the emoji name: 4 wide characters,
    // a wide emoji and ".exe" take 14 columns.
    std::vector<std::wstring> table = Lines(RunTolvanec(L"list --scope user").Out());
    ASSERT_EQ(table.size(), 4u);
    const std::wstring header = L"项目名称" + std::wstring(8, L' ') + L"程序路径";
    EXPECT_EQ(table[0].substr(0, header.size()), header);
    EXPECT_EQ(table[2], L"ok.exe" + std::wstring(10, L' ') +
                            L"%SystemRoot%\\notepad.exe  当前用户  两处都有登记");
    EXPECT_EQ(table[3],
              worldly + L"  C:\\windows\\notepad.exe" + std::wstring(4, L' ') + L"当前用户");
}

// What typing a bare name starts: App Paths before the search path, the
// user's registration first; and the registrations that look planted.
TEST_F(Verbs, WhichAndCheckPutAppPathsFirstAndTheUsersRegistrationFirst) {
    const std::wstring publicProgram = L"C:\\Users\\Public\\x.exe";
    MakeFile(publicProgram);
    const std::wstring tvdemo = ProgramFolder() + L"\\shell_target\\tvdemo.exe";
    const std::wstring versioned = ProgramFolder() + L"\\shell_target\\tvversioned.exe";
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring powerShell =
        std::wstring(system) + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
    PutEntry(L"control.exe", publicProgram.c_str(), Scope::User);
    PutEntry(L"notepad.exe", tvdemo.c_str());
    PutEntry(L"tvboth.exe", tvdemo.c_str());
    PutEntry(L"tvboth.exe", versioned.c_str(), Scope::User);
    PutEntry(L"tvscript.exe", L"C:\\tools\\run.ps1", Scope::User);
    PutEntry(L"powershell.exe", powerShell.c_str());

    std::map<std::wstring, std::wstring> listed;
    const JsonValue items = ParsedJson(RunTolvanec(L"list --format json"));
    for (const JsonValue& item : items.items()) {
        listed[Member(item, L"scope") + L" " + Member(item, L"name")] =
            NotesOf(item) + L" " + Member(item, L"publisher") + L" / " +
            Member(item, L"description");
    }
    const std::wstring noVersion = L" <null> / <null>";
    EXPECT_EQ(listed[L"user control.exe"],
              L"overrides-program;suspicious;user-overrides-system;suspicious-folder;" + noVersion);
    EXPECT_EQ(listed[L"machine notepad.exe"], L"overrides-program;" + noVersion);
    EXPECT_EQ(listed[L"machine tvboth.exe"], L"both-scopes;overridden-by-user;" + noVersion);
    // The user's language first, then any translation that has the string.
    EXPECT_EQ(listed[L"user tvboth.exe"],
              L"both-scopes; Tolvane Test Co / Version resource test program");
    EXPECT_EQ(listed[L"user tvscript.exe"],
              L"missing-target;suspicious;script-target;" + noVersion);
    // The script host under its own name: no note at all.
    EXPECT_EQ(listed[L"machine powershell.exe"].substr(0, 1), L" ");
    EXPECT_NE(RunTolvanec(L"show notepad --scope machine")
                  .Out()
                  .find(L"覆盖同名程序：C:\\windows\\notepad.exe"),
              std::wstring::npos);

    for (const auto& [name, winner] :
         {std::pair{L"control", publicProgram}, std::pair{L"notepad", tvdemo},
          std::pair{L"tvboth", versioned}}) {
        Outcome which = RunTolvanec(std::wstring(L"which ") + name);
        EXPECT_EQ(which.code, 0u);
        EXPECT_EQ(Lines(which.Out()).at(0), winner);
    }
    EXPECT_NE(RunTolvanec(L"which tvboth").Out().find(L"未采用  所有用户的 App Paths  " + tvdemo),
              std::wstring::npos);
    Outcome unknown = RunTolvanec(L"which tvnothing");
    EXPECT_EQ(unknown.code, 1u);
    EXPECT_EQ(unknown.out, "");

    // A registration that stands in for a program of its name is no finding.
    EXPECT_EQ(RunTolvanec(L"check --scope machine").code, 0u);
    Outcome check = RunTolvanec(L"check");
    EXPECT_EQ(check.code, 1u);
    std::vector<std::wstring> rows = Lines(check.Out());
    ASSERT_EQ(rows.size(), 4u) << "header, rule, the two suspicious";
    EXPECT_EQ(rows[2].find(L"control.exe "), 0u);
    EXPECT_NE(rows[2].find(L"可疑：当前用户登记覆盖系统程序、程序位于临时或公共文件夹"),
              std::wstring::npos);
    EXPECT_EQ(rows[3].find(L"tvscript.exe "), 0u);
    EXPECT_EQ(Lines(RunTolvanec(L"list --suspicious").Out()), rows);
}

// Refusals exit 5 and change nothing: an add to a key that refuses new
// subkeys, and a remove of a registration with a subkey that refuses to be
// read, which keeps all of it.
TEST_F(Verbs, WritesRefusedByTheRegistryExitFiveAndChangeNothing) {
    PutEntry(L"tvpart.exe\\AAA", L"a");
    PutEntry(L"tvpart.exe\\ZZZ", L"z");
    SetEntryAcl(L"tvpart.exe\\ZZZ", L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");
    SetEntryAcl(L"", L"D:(D;;0x4;;;WD)(A;;KA;;;WD)");
    Outcome refused = RunTolvanec(L"add tvdenied C:\\tv.exe");
    Outcome user = RunTolvanec(L"add tvdenied C:\\tv.exe --scope user");
    Outcome removed = RunTolvanec(L"remove tvpart");
    SetEntryAcl(L"", L"D:(A;;KA;;;WD)");
    SetEntryAcl(L"tvpart.exe\\ZZZ", L"D:(A;;KA;;;WD)");
    EXPECT_EQ(removed.code, 5u);
    EXPECT_TRUE(EntryExists(L"tvpart.exe\\AAA"));
    EXPECT_EQ(refused.code, 5u);
    EXPECT_NE(refused.Err().find(L"没有权限修改该项目"), std::wstring::npos);
    EXPECT_NE(refused.Err().find(L"--scope user"), std::wstring::npos);
    EXPECT_TRUE(Registration(Scope::Machine, L"tvdenied.exe").values.empty());
    EXPECT_EQ(user.code, 0u);
    EXPECT_FALSE(Registration(Scope::User, L"tvdenied.exe").values.empty());
}
