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
#include "toolkit/narrow.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
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
