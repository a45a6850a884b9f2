// Registry snapshots, the import transaction, .reg files, UTF-8, JSON and CSV,
// against the real registry of the test prefix and Wine's own reg.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include "export/reg_file.h"
#include "store/app_path_store.h"
#include "store/registry_transaction.h"
#include "support/registry.h"
#include "toolkit/csv.h"
#include "toolkit/json.h"
#include "toolkit/narrow.h"

namespace tolvane::testing {
namespace {

std::vector<BYTE> Text(std::wstring_view text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    std::vector<BYTE> data(bytes, bytes + text.size() * sizeof(wchar_t));
    data.insert(data.end(), 2, 0);
    return data;
}

// A registration with a value of every type, awkward lengths and names, and
// nested subkeys.
KeySnapshot Sample(const std::wstring& name) {
    KeySnapshot key{name};
    key.values = {
        {L"", REG_SZ, Text(L"C:\\程序\\记事本.exe")},
        {L"Path", REG_EXPAND_SZ, Text(L"%SystemRoot%;D:\\\U0001F600")},
        {L"多个", REG_MULTI_SZ, Text(std::wstring(L"one\0two\0", 8))},
        {L"dword", REG_DWORD, {0x0a, 0, 0, 0}},
        {L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {L"binary", REG_BINARY, std::vector<BYTE>(61, 0xA5)},
        {L"none", REG_NONE, {}},
        {L"short dword", REG_DWORD, {1, 2}},
        {L"custom", 0x12345, {7}},
        {L"quote\"back\\slash", REG_SZ, Text(L"two\r\nlines")},
        {L"empty", REG_SZ, {}},
        {L"unterminated", REG_SZ, {'a', 0, 'b'}},
        {L"stray byte", REG_SZ, {'a', 0, 0, 0, 'b'}},
        {L"inner nul", REG_SZ, Text(std::wstring(L"a\0b", 3))},
    };
    key.subkeys = {{L"Sub", {{L"", REG_SZ, Text(L"\uD55C\uAD6D\uC5B4")}}, {{L"Deeper"}}}};
    return key;
}

// Written with the plain calls, independently of the code under test.
void PutKey(HKEY parent, const KeySnapshot& snapshot) {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(parent, snapshot.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    for (const RegistryValue& value : snapshot.values) {
        ASSERT_EQ(RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size())),
                  ERROR_SUCCESS);
    }
    for (const KeySnapshot& subkey : snapshot.subkeys) PutKey(key.get(), subkey);
}

// Wine lists values by name and Windows in the order they were made.
KeySnapshot Sorted(KeySnapshot key) {
    std::sort(key.values.begin(), key.values.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::sort(key.subkeys.begin(), key.subkeys.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (KeySnapshot& subkey : key.subkeys) subkey = Sorted(std::move(subkey));
    return key;
}

KeySnapshot Read(Scope scope, const std::wstring& name) {
    EntrySnapshot entry;
    EXPECT_EQ(ReadEntrySnapshot({scope, name}, entry), ERROR_SUCCESS) << name.size();
    return Sorted(entry.key);
}

bool Exists(Scope scope, const std::wstring& name) {
    EntrySnapshot entry;
    return ReadEntrySnapshot({scope, name}, entry) != ERROR_FILE_NOT_FOUND;
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    void Clear() {
        ClearAppPaths();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppPathsPath);
    }
    UniqueKey AppPaths(Scope scope) {
        UniqueKey key;
        RegCreateKeyExW(HiveOf(scope), kAppPathsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr);
        return key;
    }
};

TEST_F(RegistryTest, SnapshotsReadDeleteAndRestoreEveryValueByteForByte) {
    UniqueKey machine = AppPaths(Scope::Machine);
    const KeySnapshot sample = Sorted(Sample(L"snap.exe"));
    PutKey(machine.get(), sample);
    KeySnapshot read;
    ASSERT_EQ(ReadKeySnapshot(machine.get(), L"snap.exe", read), ERROR_SUCCESS);
    EXPECT_EQ(Sorted(read), sample);
    EXPECT_EQ(Read(Scope::Machine, L"SNAP.EXE").name, L"snap.exe");  // the registry's spelling

    EXPECT_NE(DeleteKeyTree(machine.get(), L""), ERROR_SUCCESS);  // never the parent itself
    ASSERT_EQ(DeleteKeyTree(machine.get(), L"snap.exe"), ERROR_SUCCESS);
    EXPECT_FALSE(EntryExists(L"snap.exe"));
    EXPECT_EQ(DeleteKeyTree(machine.get(), L"snap.exe"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(WriteKeySnapshot(machine.get(), read), ERROR_SUCCESS);
    EXPECT_EQ(Read(Scope::Machine, L"snap.exe"), sample);

    // Over a key that changed meanwhile: what the snapshot lacks goes, and a
    // subkey spelled otherwise comes back with the snapshot's spelling.
    PutNamedValue(L"snap.exe", L"extra", L"x");
    PutEntry(L"snap.exe\\Stray\\Deep", L"x");
    ASSERT_EQ(DeleteKeyTree(machine.get(), L"snap.exe\\Sub"), ERROR_SUCCESS);
    PutEntry(L"snap.exe\\SUB", L"other");
    ASSERT_EQ(WriteKeySnapshot(machine.get(), read), ERROR_SUCCESS);
    EXPECT_EQ(Read(Scope::Machine, L"snap.exe"), sample);
}

size_t failingWrite = 0;

LONG FailAtChosenWrite(size_t index) {
    return index == failingWrite ? ERROR_WRITE_FAULT : ERROR_SUCCESS;
}

// Failing at each write in turn, every registration touched so far comes
// back as it was: changed ones rewritten, deleted ones made again, and new
// ones, in the user's hive, gone again.
TEST_F(RegistryTest, ImportFailingAtAnyWritePutsEveryTouchedRegistrationBack) {
    const KeySnapshot kept = Sorted(Sample(L"kept.exe"));
    const KeySnapshot gone = Sorted(Sample(L"gone.exe"));
    const std::vector<KeyEdit> edits = {
        {Scope::Machine,
         L"kept.exe",
         false,
         {{{L"", REG_SZ, Text(L"D:\\new.exe")}}, {{L"dword"}, true}}},
        {Scope::User, L"new.exe", false, {{{L"", REG_SZ, Text(L"D:\\user.exe")}}}},
        {Scope::User, L"new.exe\\sub", false, {{{L"v", REG_DWORD, {1, 0, 0, 0}}}}},
        {Scope::Machine, L"gone.exe", true},
        {Scope::Machine, L"kept.exe\\Sub", true},
    };
    RegistryTransaction unprepared;
    EXPECT_EQ(unprepared.Apply(edits), ERROR_INVALID_PARAMETER);

    for (failingWrite = 0;; ++failingWrite) {
        SCOPED_TRACE(failingWrite);
        Clear();
        PutKey(AppPaths(Scope::Machine).get(), kept);
        PutKey(AppPaths(Scope::Machine).get(), gone);
        RegistryTransaction transaction;
        ASSERT_EQ(transaction.Begin(EntriesOf(edits)), ERROR_SUCCESS);
        ASSERT_EQ(transaction.backups().size(), 3u);
        EXPECT_FALSE(transaction.backups()[1].existed);
        EXPECT_EQ(Sorted(transaction.backups()[2].entry.key), gone);
        beforeRegistryWrite = FailAtChosenWrite;
        LONG result = transaction.Apply(edits);
        beforeRegistryWrite = nullptr;
        if (result == ERROR_SUCCESS) break;
        EXPECT_EQ(result, ERROR_WRITE_FAULT);
        EXPECT_EQ(transaction.restoreResult(), ERROR_SUCCESS);
        EXPECT_EQ(Read(Scope::Machine, L"kept.exe"), kept);
        EXPECT_EQ(Read(Scope::Machine, L"gone.exe"), gone);
        EXPECT_FALSE(Exists(Scope::User, L"new.exe"));
    }
    EXPECT_EQ(failingWrite, 9u);  // each of the nine writes failed once
    KeySnapshot changed = Read(Scope::Machine, L"kept.exe");
    EXPECT_EQ(changed.values.size(), kept.values.size() - 1);
    EXPECT_TRUE(changed.subkeys.empty());
    EXPECT_FALSE(Exists(Scope::Machine, L"gone.exe"));
    EXPECT_EQ(Read(Scope::User, L"new.exe").subkeys.at(0).values.at(0).name, L"v");
}

// A name that the registry cannot hold makes the write fail: what the
// edits made goes again, the user's App Paths key too, and the name that
// never was a key is no failure to restore.
TEST_F(RegistryTest, FailedApplyTakesBackWhatItMadeAndReportsOnlyTrueFailures) {
    const std::vector<KeyEdit> edits = {
        {Scope::User, L"made.exe", false, {{{L"", REG_SZ, Text(L"x")}}}},
        {Scope::User, std::wstring(300, L'n'), false, {{{L"", REG_SZ, Text(L"y")}}}},
    };
    RegistryTransaction transaction;
    ASSERT_EQ(transaction.Begin(EntriesOf(edits)), ERROR_SUCCESS);
    EXPECT_NE(transaction.Apply(edits), ERROR_SUCCESS);
    EXPECT_EQ(transaction.restoreResult(), ERROR_SUCCESS);
    UniqueKey appPaths;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kAppPathsPath, 0, KEY_READ, appPaths.put()),
              ERROR_FILE_NOT_FOUND);
}

// Trees deeper than Windows nests keys, which Wine holds: reading, writing
// and deleting them end with a code of their own, and a tree at the limit
// is written and read back whole.
TEST_F(RegistryTest, TreesDeeperThanWindowsNestsKeysAreRefused) {
    UniqueKey machine = AppPaths(Scope::Machine);
    UniqueKey level;
    RegCreateKeyExW(machine.get(), L"deep.exe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, level.put(),
                    nullptr);
    for (size_t depth = 1; depth <= kMaxEntryDepth; ++depth) {
        UniqueKey below;
        ASSERT_EQ(RegCreateKeyExW(level.get(), L"k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  below.put(), nullptr),
                  ERROR_SUCCESS);
        level = std::move(below);
    }
    level.reset();
    EntrySnapshot entry;
    EXPECT_EQ(ReadEntrySnapshot({Scope::Machine, L"deep.exe"}, entry), kErrorTreeTooDeep);
    EXPECT_EQ(DeleteKeyTree(machine.get(), L"deep.exe"), kErrorTreeTooDeep);
    EXPECT_TRUE(EntryExists(L"deep.exe"));

    KeySnapshot tower{L"tower.exe", {{L"", REG_SZ, Text(L"top")}}};
    KeySnapshot* top = &tower;
    for (size_t depth = 1; depth < kMaxEntryDepth; ++depth) top = &top->subkeys.emplace_back(L"k");
    top->subkeys.push_back({L"k"});
    EXPECT_EQ(WriteKeySnapshot(machine.get(), tower), kErrorTreeTooDeep);
    EXPECT_FALSE(EntryExists(L"tower.exe"));
    top->subkeys.clear();
    ASSERT_EQ(WriteKeySnapshot(machine.get(), tower), ERROR_SUCCESS);
    EXPECT_EQ(Read(Scope::Machine, L"tower.exe"), tower);
    EXPECT_EQ(DeleteKeyTree(machine.get(), L"tower.exe"), ERROR_SUCCESS);
}

TEST(RegFileText, IsWhatTheRegistryEditorWrites) {
    std::vector<BYTE> counting(40);
    for (size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<BYTE>(i);
    const std::vector<KeyEdit> keys = {
        {Scope::Machine,
         L"a.exe",
         false,
         {{{L"", REG_SZ, Text(L"C:\\a \"b\".exe")}},
          {{L"n", REG_DWORD, {10, 0, 0, 0}}},
          {{L"e", REG_EXPAND_SZ, Text(L"%a%")}},
          {{L"q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}},
          {{L"x", 0x20, {0xAB}}},
          {{L"lf", REG_SZ, Text(L"a\nb")}},
          {{L"bin", REG_BINARY, counting}},
          {{L"gone"}, true}}},
        {Scope::User, L"b.exe\\sub", true},
    };
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n"
        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe]\r\n"
        L"@=\"C:\\\\a \\\"b\\\".exe\"\r\n"
        L"\"n\"=dword:0000000a\r\n"
        L"\"e\"=hex(2):25,00,61,00,25,00,00,00\r\n"
        L"\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        L"\"x\"=hex(20):ab\r\n"
        L"\"lf\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
        L"\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        L"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
        L"\"gone\"=-\r\n"
        L"\r\n"
        L"[-HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\b.exe\\sub]"
        L"\r\n\r\n";
    EXPECT_EQ(RegFileText(keys), text);
    std::string bytes = RegFileBytes(keys);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
    EXPECT_EQ(bytes.size(), 2 + text.size() * sizeof(wchar_t));
}

TEST_F(RegistryTest, WrittenFilesReadBackAndReimportWithWinesReg) {
    std::vector<EntrySnapshot> entries = {
        {Scope::Machine, Sample(L"记事本.exe")},
        {Scope::Machine, Sample(L"\uD55C\uAD6D\uC5B4.exe")},
        {Scope::User, Sample(L"smile\U0001F600.exe")},
    };
    for (EntrySnapshot& entry : entries) {
        // Wine's reg ends text given as hex with a NUL when it has none.
        std::erase_if(entry.key.values,
                      [](const auto& value) { return value.name == L"unterminated"; });
        entry.key = Sorted(entry.key);
        PutKey(AppPaths(entry.scope).get(), entry.key);
    }
    const std::vector<KeyEdit> edits = EditsOf(entries);
    std::string bytes = RegFileBytes(edits);
    std::vector<KeyEdit> read;
    RegFileError error;
    ASSERT_TRUE(ReadRegFile(bytes, read, error)) << error.line;
    EXPECT_EQ(read, edits);

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"导出.reg";
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
    Clear();
    EXPECT_EQ(RunReg(L"import \"" + path + L"\""), 0);
    DeleteFileW(path.c_str());
    for (const EntrySnapshot& entry : entries) {
        EXPECT_EQ(Read(entry.scope, entry.key.name), entry.key) << entry.key.name.size();
    }
}

std::string Utf16(std::wstring_view text) {
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(ReadRegFile, ReadsUtf16Utf8AndAnsiFilesAlike) {
    // The expanded text "程" is UTF-16 in version 5 files and ANSI in REGEDIT4.
    auto body = [](const wchar_t* header, const wchar_t* hex) {
        return std::wstring(header) +
               L"\r\n\r\n; a comment\r\n"
               L"[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths]\r\n\r\n"
               L"[hkcu\\software\\microsoft\\windows\\currentversion\\app paths\\记事本.exe]\r\n"
               L"@=\"C:\\\\程序\\\\记事本.exe\"\r\n"
               L"  \"Path\" = hex(2):" +
               hex +
               L" ; continued\r\n"
               L"\"old\"=-\r\n"
               L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
               L"old.exe\\sub]\n";
    };
    const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";
    const wchar_t kUtf16Hex[] = L"0b,7a,\\\r\n; between\r\n  00,00";
    const std::vector<KeyEdit> expected = {
        {Scope::User,
         L"记事本.exe",
         false,
         {{{L"", REG_SZ, Text(L"C:\\程序\\记事本.exe")}},
          {{L"Path", REG_EXPAND_SZ, Text(L"程")}},
          {{L"old"}, true}}},
        {Scope::Machine, L"old.exe\\sub", true},
    };
    for (const std::string& file :
         {Utf16(body(kHeader, kUtf16Hex)), "\xEF\xBB\xBF" + ToUtf8(body(kHeader, kUtf16Hex)),
          ToUtf8(body(kHeader, kUtf16Hex)), ToAnsi(body(L"REGEDIT4", L"b3,cc,\\\r\n  00"))}) {
        std::vector<KeyEdit> keys;
        RegFileError error;
        EXPECT_TRUE(ReadRegFile(file, keys, error)) << error.line;
        EXPECT_EQ(keys, expected) << file.size();
    }
}

TEST(ReadRegFile, RefusesTheWholeFileAtTheFirstBadLine) {
    const std::string header = "Windows Registry Editor Version 5.00\r\n";
    const std::string key =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe]\r\n"
        "@=\"C:\\\\a.exe\"\r\n";
    const std::vector<std::pair<std::string, size_t>> cases = {
        {"REGEDIT5\r\n" + key, 1},
        {header + key +
             "[HKEY_CURRENT_USER\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
             "CurrentVersion\\App Paths\\a.exe]\r\n",
         4},
        {header + key + "[HKEY_CLASSES_ROOT\\exefile]\r\n", 4},
        {header + key + "[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths Extra]", 4},
        {header + "[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths]\r\n@=\"x\"", 3},
        {header + "[-HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths]\r\n", 2},
        {header + "@=\"no key yet\"\r\n" + key, 2},
        {header + key + "just words\r\n", 4},
        {header + key + "\"v\"=hex(2x):00\r\n", 4},
        {header + key + "\"v\"=str(2):\"x\"\r\n", 4},
        {header + key + "\"v\"=dword:123456789\r\n", 4},
        {header + key + "\"v\"=\"open\r\n", 4},
        {header + key + "\"v\"=\"bad \\q escape\"\r\n", 4},
        {header + key + "\"v\"=hex:00,01,\\\r\n\r\n  zz\r\n", 6},
        {header + key + "\"v\"=hex:00,01,\\\r\n", 5},
        {header + key + "\"ok\"=\"\xC3\x28\"\r\n", 4},
        {header + key +
             "[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a\x01.exe]",
         4},
        {header + key +
             "[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe\\..]",
         4}};
    for (const auto& [file, line] : cases) {
        std::vector<KeyEdit> keys;
        RegFileError error;
        EXPECT_FALSE(ReadRegFile(file, keys, error)) << file;
        EXPECT_EQ(error.line, line) << file;
        EXPECT_FALSE(error.reason.empty());
        EXPECT_TRUE(keys.empty());
    }
}

TEST(Utf8, ConvertsWholeTextAndReportsWhatItCannotCarry) {
    const std::wstring text = L"记事本 \uD55C \U0001F600 \x7F";
    std::wstring back;
    EXPECT_TRUE(FromUtf8(ToUtf8(text), back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(ToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(std::wstring(L"a") + wchar_t(0xD800)), "a\xEF\xBF\xBD");
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE4\xB8", "\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(FromUtf8(bad, back)) << bad;
        EXPECT_EQ(FromUtf8(std::string("a") + bad).substr(0, 2), L"a\uFFFD");
    }
}

TEST(Json, RoundTripsEveryKindOfValueAndCharacter) {
    const JsonValue document(JsonValue::Object{
        {L"name", L"smile\U0001F600 记事本 \uD55C"},
        {L"control", std::wstring(L"tab\tnew\r\n\x01\x1f\"\\/\0end", 18)},
        {L"lone", std::wstring(1, wchar_t(0xDC00))},
        {L"numbers",
         JsonValue::Array{0, -12, std::numeric_limits<unsigned long long>::max(), 1.5, 1e300}},
        {L"others",
         JsonValue::Array{true, false, nullptr, JsonValue::Object{}, JsonValue::Array{}}},
    });
    std::string text = ToJson(document);
    JsonValue back;
    JsonError error;
    ASSERT_TRUE(ParseJson(text, back, error)) << error.line;
    EXPECT_EQ(back, document);
    EXPECT_EQ(ToJson(JsonValue::Object{{L"a", JsonValue::Array{1, L"\U0001F600\x01"}},
                                       {L"b", JsonValue::Object{}}}),
              "{\r\n  \"a\": [\r\n    1,\r\n    \"\xF0\x9F\x98\x80\\u0001\"\r\n  ],\r\n"
              "  \"b\": {}\r\n}\r\n");
    unsigned long long big = 0;
    EXPECT_TRUE(back.Find(L"numbers")->items()[2].AsUnsigned(big));
    EXPECT_EQ(big, std::numeric_limits<unsigned long long>::max());

    ASSERT_TRUE(ParseJson("\xEF\xBB\xBF [\"\\uD83D\\uDE00\\/\\u00E9\", -0.5e-3 ]", back, error));
    EXPECT_EQ(back.items()[0].text(), L"\U0001F600/\u00E9");
    EXPECT_DOUBLE_EQ(back.items()[1].AsDouble(), -0.0005);
}

TEST(Json, ParseErrorsNameTheirLine) {
    const std::vector<std::pair<std::string, size_t>> cases = {{"", 1},
                                                               {"{\n  \"a\": 1,\n}", 3},
                                                               {"[1,\n 2\n 3]", 3},
                                                               {"{\"a\": 01}", 1},
                                                               {"[1.]", 1},
                                                               {"{\"a\": 1,\n \"a\": 2}", 2},
                                                               {"[\"tab\there\"]", 1},
                                                               {"[\n\"\\x\"]", 2},
                                                               {"[\n\"open", 2},
                                                               {"{} {}", 1},
                                                               {"// note\n{}", 1},
                                                               {"[\n1,\n\"\xC3\x28\"]", 3},
                                                               {"{\"a\" 1}", 1},
                                                               {"[tru]", 1}};
    for (const auto& [text, line] : cases) {
        JsonValue value;
        JsonError error;
        EXPECT_FALSE(ParseJson(text, value, error)) << text;
        EXPECT_EQ(error.line, line) << text;
        EXPECT_FALSE(error.reason.empty());
    }
}

TEST(Csv, QuotesOnlyFieldsThatNeedIt) {
    EXPECT_EQ(CsvText({{L"a.exe", L"C:\\a b\\a.exe", L""},
                       {L"x,y", L"say \"hi\"", L"two\r\nlines", L"lf\nonly", L"cr\r", L"记事本"}}),
              L"a.exe,C:\\a b\\a.exe,\r\n"
              L"\"x,y\",\"say \"\"hi\"\"\",\"two\r\nlines\",\"lf\nonly\",\"cr\r\",记事本\r\n");
}

}  // namespace
}  // namespace tolvane::testing
