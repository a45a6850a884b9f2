// export and import: every format written, .reg and JSON files read back,
// through tolvanec and through Wine's reg.exe, and files refused or failing
// halfway leaving the registry as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "console/tolvanec_process.h"
#include "support/files.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// A .reg file in UTF-16, as the registry editor writes them.
std::string RegFile(const std::wstring& body) {
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n" + body;
    return "\xFF\xFE" +
           std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

DWORD AppPathsValueCount() {
    UniqueKey key;
    DWORD values = 0;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPathsPath, 0, KEY_READ, key.put());
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    return values;
}

class Import : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        PutEntry(L"tva.exe", L"C:\\tv\\a.exe");
        PutNamedValue(L"tva.exe", L"Path", L"%TEMP%;C:\\tv", REG_EXPAND_SZ);
        DWORD flags = 0x12345678;
        PutRawValue(L"tva.exe", L"Flags", REG_DWORD, &flags, sizeof(flags));
        PutNamedValue(L"tva.exe\\SupportedProtocols", L"http", L"");
        PutNamedValue(L"tvb.exe", L"", L"%SystemRoot%\\b.exe", REG_EXPAND_SZ);
        PutEntry(L"编辑器.exe", L"C:\\工具\\编辑器.exe", Scope::User);
        before = Registrations();
        ASSERT_EQ(before.size(), 3u);
    }

    std::wstring Path(const wchar_t* name) const { return TempFolder() + name; }

    std::vector<EntrySnapshot> before;
};

}  // namespace

TEST_F(Import, ExportedFilesReadBackThroughTolvanecAndReg) {
    for (const wchar_t* file : {L"all.reg", L"all.json", L"all.csv", L"all.htm", L"all.xml"}) {
        Outcome exported = RunTolvanec(L"export " + Quoted(Path(file)));
        EXPECT_EQ(exported.code, 0u) << exported.Err();
    }
    ASSERT_EQ(
        RunTolvanec(L"export " + Quoted(Path(L"user.txt")) + L" --format reg --scope user").code,
        0u);
    EXPECT_EQ(ReadBytes(Path(L"all.json")), RunTolvanec(L"list --format json").out);
    EXPECT_EQ(ReadBytes(Path(L"all.csv")), "\xEF\xBB\xBF" + RunTolvanec(L"list --format csv").out);
    for (const wchar_t* file : {L"all.htm", L"all.xml"}) {
        std::wstring text = FromAnsi(ReadBytes(Path(file)));
        for (const EntrySnapshot& entry : before) {
            EXPECT_NE(text.find(entry.key.name), std::wstring::npos) << file;
        }
    }

    ClearAppPaths();
    Outcome imported = RunTolvanec(L"import " + Quoted(Path(L"all.reg")));
    EXPECT_EQ(imported.code, 0u) << imported.Err();
    EXPECT_EQ(Registrations(), before);
    ClearAppPaths();
    EXPECT_EQ(RunReg(L"import " + Quoted(Path(L"all.reg"))), 0);
    EXPECT_EQ(Registrations(), before);

    ClearAppPaths();
    EXPECT_EQ(RunTolvanec(L"import " + Quoted(Path(L"user.txt"))).code, 0u);
    std::vector<EntrySnapshot> user = Registrations();
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(user[0], before[2]);
    Outcome shown = RunTolvanec(L"show 编辑器");
    EXPECT_NE(shown.Out().find(L"\r\n范围      当前用户\r\n程序路径  C:\\工具\\编辑器.exe\r\n"),
              std::wstring::npos)
        << shown.Out();
}

TEST_F(Import, ListingJsonPutsBackPathsAndDryRunWritesNothing) {
    ASSERT_EQ(RunTolvanec(L"export " + Quoted(Path(L"list.json"))).code, 0u);
    ASSERT_EQ(RunTolvanec(L"set tva --path C:\\other").code, 0u);
    ASSERT_EQ(RunTolvanec(L"remove tvb").code, 0u);
    std::vector<EntrySnapshot> changed = Registrations();

    Outcome dry = RunTolvanec(L"import " + Quoted(Path(L"list.json")) + L" --dry-run");
    EXPECT_EQ(dry.code, 0u);
    EXPECT_EQ(dry.Out(),
              L"操作  范围      项目名称\r\n----  --------  ----------\r\n"
              L"修改  所有用户  tva.exe\r\n添加  所有用户  tvb.exe\r\n"
              L"不变  当前用户  编辑器.exe\r\n");
    EXPECT_EQ(Registrations(), changed);

    EXPECT_EQ(RunTolvanec(L"import " + Quoted(Path(L"list.json"))).code, 0u);
    EXPECT_EQ(Registrations(), before);
}

TEST_F(Import, RefusedFilesChangeNothing) {
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string tva =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tva.exe]\r\n"
        "@=\"changed\"\r\n";
    const std::pair<std::string, const wchar_t*> files[] = {
        {header + tva + "garbage\r\n", L"第 5 行"},
        {"[{\"name\": \"tva.exe\", \"scope\": \"machine\", \"path\": \"x\", \"type\": "
         "\"REG_SZ\"},\n"
         " {\"name\": \"tvq.exe\", \"scope\": \"machine\", \"path\": \"x\", \"type\": "
         "\"REG_FOO\"}]",
         L"第 2 项"},
    };
    for (const auto& [bytes, where] : files) {
        WriteBytes(Path(L"bad.reg"), bytes);
        Outcome refused = RunTolvanec(L"import " + Quoted(Path(L"bad.reg")));
        EXPECT_EQ(refused.code, 2u) << bytes;
        EXPECT_NE(refused.Err().find(where), std::wstring::npos) << refused.Err();
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(Registrations(), before);
    }
    EXPECT_EQ(RunTolvanec(L"import " + Quoted(Path(L"missing.reg"))).code, 2u);

    // Past the size limit: refused in words before a byte is read.
    {
        UniqueFile big(CreateFileW(Path(L"big.reg").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        size.QuadPart = 65LL * 1024 * 1024;
        ASSERT_TRUE(SetFilePointerEx(big.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(big.get()));
    }
    Outcome large = RunTolvanec(L"import " + Quoted(Path(L"big.reg")));
    DeleteFileW(Path(L"big.reg").c_str());
    EXPECT_EQ(large.code, 2u);
    EXPECT_NE(large.Err().find(L"tolvanec：文件太大（超过 64 MB），没有导入任何内容。"),
              std::wstring::npos)
        << large.Err();
}

// A NUL in a JSON name, where the registry calls would cut the name: the
// values would land on App Paths itself, or on another registration.
TEST_F(Import, NamesWithANulAreRefusedAndWriteNothing) {
    const std::string files[] = {
        R"([{"name": "\u0000", "scope": "machine", "path": "C:\\evil.exe", "type": "REG_SZ",)"
        R"( "pathValue": "C:\\"}])",
        R"([{"name": "tva.exe\u0000x", "scope": "machine", "path": "", "type": null,)"
        R"( "pathValue": null}])"};
    for (const std::string& file : files) {
        WriteBytes(Path(L"zero.json"), file);
        for (const wchar_t* dryRun : {L" --dry-run", L""}) {
            Outcome refused = RunTolvanec(L"import " + Quoted(Path(L"zero.json")) + dryRun);
            EXPECT_EQ(refused.code, 2u) << file;
            EXPECT_NE(refused.Err().find(L"第 1 项：项目名称不能包含控制字符！"),
                      std::wstring::npos)
                << refused.Err();
            EXPECT_EQ(Registrations(), before);
        }
    }
    EXPECT_EQ(AppPathsValueCount(), 0u);
}

// The dry run checks what the write would: a file at every limit of the
// registry is planned and written, one a step past any limit is refused by
// both with its line, before anything is written.
TEST_F(Import, TheDryRunAndTheImportCheckTheSameLimits) {
    const std::wstring key = L"[HKEY_CURRENT_USER\\" + std::wstring(kAppPathsPath) + L"\\";
    const std::wstring name = std::wstring(kMaxKeyNameLength - 4, L'n') + L".exe";
    std::wstring deep = L"tvdeep.exe";
    for (size_t level = 1; level < kMaxEntryDepth; ++level) deep += L"\\k";
    auto body = [&](const std::wstring& name, size_t valueName, const std::wstring& deep) {
        return key + name + L"]\r\n\"" + std::wstring(valueName, L'v') + L"\"=\"x\"\r\n" + key +
               deep + L"]\r\n@=\"deep\"\r\n";
    };
    const std::pair<std::wstring, const wchar_t*> past[] = {
        {body(L"n" + name, kMaxValueNameLength, deep), L"第 3 行：项目名称不能超过 255 个字符！"},
        {body(name, kMaxValueNameLength + 1, deep), L"第 4 行：值名称不能超过 16383 个字符！"},
        {body(name, kMaxValueNameLength, deep + L"\\k"), L"第 5 行：键的层次太深"},
    };
    for (const auto& [text, where] : past) {
        WriteBytes(Path(L"past.reg"), RegFile(text));
        for (const wchar_t* dryRun : {L" --dry-run", L""}) {
            Outcome refused = RunTolvanec(L"import " + Quoted(Path(L"past.reg")) + dryRun);
            EXPECT_EQ(refused.code, 2u);
            EXPECT_NE(refused.Err().find(where), std::wstring::npos) << refused.Err();
        }
    }
    EXPECT_EQ(Registrations(), before);

    WriteBytes(Path(L"limits.reg"), RegFile(body(name, kMaxValueNameLength, deep)));
    Outcome dry = RunTolvanec(L"import " + Quoted(Path(L"limits.reg")) + L" --dry-run");
    EXPECT_EQ(dry.code, 0u) << dry.Err();
    EXPECT_EQ(Count(dry.Out(), L"添加  当前用户"), 2u) << dry.Out();
    Outcome imported = RunTolvanec(L"import " + Quoted(Path(L"limits.reg")));
    EXPECT_EQ(imported.code, 0u) << imported.Err();
    EXPECT_EQ(Registration(Scope::User, name).values.at(0).name.size(), kMaxValueNameLength);
    KeySnapshot tower = Registration(Scope::User, L"tvdeep.exe");
    size_t levels = 1;
    for (const KeySnapshot* at = &tower; !at->subkeys.empty(); at = &at->subkeys[0]) ++levels;
    EXPECT_EQ(levels, kMaxEntryDepth);

    // One level more, made by another program: told in words, no crash.
    UniqueKey bottom;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                              (std::wstring(kAppPathsPath) + L"\\" + deep + L"\\k").c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, bottom.put(), nullptr),
              ERROR_SUCCESS);
    Outcome tooDeep = RunTolvanec(L"export " + Quoted(Path(L"deep.reg")));
    EXPECT_EQ(tooDeep.code, 3u);
    EXPECT_NE(tooDeep.Err().find(L"超过 507 层"), std::wstring::npos) << tooDeep.Err();
}

// 32-bit programs on 64-bit Windows name the machine's App Paths key under
// WOW6432Node, and Windows shares it: such a file imports there.
TEST_F(Import, Wow6432NodeFilesImportIntoTheMachinesAppPaths) {
    WriteBytes(Path(L"wow.reg"),
               RegFile(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
                       L"CurrentVersion\\App Paths\\tvw.exe]\r\n@=\"C:\\\\tv\\\\w.exe\"\r\n\r\n"
                       L"[HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App "
                       L"Paths\\tvw.exe\\Sub]\r\n\r\n"));
    Outcome dry = RunTolvanec(L"import " + Quoted(Path(L"wow.reg")) + L" --dry-run");
    EXPECT_EQ(dry.code, 0u) << dry.Err();
    EXPECT_EQ(dry.Out(),
              L"操作  范围      项目名称\r\n----  --------  --------\r\n"
              L"添加  所有用户  tvw.exe\r\n");
    EXPECT_EQ(Count(dry.Err(), L"WOW6432Node"), 1u) << dry.Err();
    EXPECT_EQ(Registrations(), before);

    EXPECT_EQ(RunTolvanec(L"import " + Quoted(Path(L"wow.reg"))).code, 0u);
    KeySnapshot imported = Registration(Scope::Machine, L"tvw.exe");
    EXPECT_EQ(TextOf(*ValueOf(imported, L"")), L"C:\\tv\\w.exe");
    EXPECT_EQ(imported.subkeys.size(), 1u);
}

// Defaults and Path values of every kind travel in the JSON: export then
// import gives them back byte for byte. An older file, without the bytes
// of a default that is not text, leaves that registration alone and says
// why.
TEST_F(Import, JsonCarriesDefaultsAndPathValuesByteForByte) {
    ClearAppPaths();
    const DWORD number = 0x12345678;
    PutRawValue(L"tvd.exe", L"", REG_DWORD, &number, sizeof(number));
    PutRawValue(L"tvd.exe", L"Path", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));
    PutRawValue(L"tvn.exe", L"", REG_SZ, L"ab", 2 * sizeof(wchar_t));  // no final NUL
    PutNamedValue(L"tvn.exe", L"Path", L"%TEMP%", REG_SZ);
    PutNamedValue(L"tve.exe", L"", L"C:\\plain.exe", REG_EXPAND_SZ);
    PutRawValue(L"tvz.exe", L"Path", REG_BINARY, nullptr, 0, Scope::User);
    const std::vector<EntrySnapshot> made = Registrations();
    ASSERT_EQ(RunTolvanec(L"export " + Quoted(Path(L"all.json"))).code, 0u);
    ClearAppPaths();
    Outcome imported = RunTolvanec(L"import " + Quoted(Path(L"all.json")));
    EXPECT_EQ(imported.code, 0u) << imported.Err();
    EXPECT_EQ(Registrations(), made);

    std::string json = ReadBytes(Path(L"all.json"));
    const std::string data = "    \"data\": \"78563412\",\r\n";
    ASSERT_NE(json.find(data), std::string::npos) << json;
    WriteBytes(Path(L"old.json"), json.erase(json.find(data), data.size()));
    PutNamedValue(L"tvd.exe", L"", L"C:\\now.exe");
    const std::vector<EntrySnapshot> now = Registrations();
    Outcome old = RunTolvanec(L"import " + Quoted(Path(L"old.json")) + L" --dry-run");
    EXPECT_EQ(old.code, 0u) << old.Err();
    EXPECT_NE(
        old.Out().find(L"不变  所有用户  tvd.exe   默认值的类型是 REG_DWORD，文件中没有它的数据"
                       L"（data），保持原样\r\n"),
        std::wstring::npos)
        << old.Out();
    EXPECT_EQ(RunTolvanec(L"import " + Quoted(Path(L"old.json"))).code, 0u);
    EXPECT_EQ(Registrations(), now);

    // A registration that cannot be read is not written as one without a
    // default: the export fails and the old file stays.
    SetEntryAcl(L"tvn.exe", L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");  // no value reads
    Outcome refused = RunTolvanec(L"export " + Quoted(Path(L"old.json")));
    EXPECT_EQ(refused.code, 5u) << refused.Err();
    EXPECT_EQ(ReadBytes(Path(L"old.json")), json);
}

// Wine checks a deny ACE for KEY_SET_VALUE when tvb.exe is opened: the
// third registration fails after two were written.
TEST_F(Import, AWriteFailingHalfwayPutsBackWhatItChanged) {
    SetEntryAcl(L"tvb.exe", L"D:(D;;0x2;;;WD)(A;;KA;;;WD)");
    const std::string key =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    WriteBytes(Path(L"half.reg"), "Windows Registry Editor Version 5.00\r\n\r\n" + key +
                                      "tva.exe]\r\n@=\"new-a\"\r\n\"Path\"=-\r\n\r\n" + key +
                                      "tvc.exe]\r\n@=\"new-c\"\r\n\r\n" + key +
                                      "tvb.exe]\r\n@=\"new-b\"\r\n");
    Outcome failed = RunTolvanec(L"import " + Quoted(Path(L"half.reg")));
    SetEntryAcl(L"tvb.exe", L"D:(A;;KA;;;WD)");
    EXPECT_EQ(failed.code, 5u);
    EXPECT_NE(failed.Err().find(L"已恢复原样"), std::wstring::npos) << failed.Err();
    EXPECT_EQ(Registrations(), before);
}
