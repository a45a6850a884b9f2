// tolvanec as a process: help, version and bad usage; and its output layer
// on a real console.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "console/output.h"
#include "console/tolvanec_process.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/build_info.h"

using namespace tolvane;
using namespace tolvane::testing;

TEST(Tolvanec, VersionAndHelpGoToStandardOutputAsUtf8) {
    Outcome version = RunTolvanec(L"--version");
    EXPECT_EQ(version.code, 0u);
    EXPECT_EQ(version.Out(), L"tolvanec " TOLVANE_VERSION_AND_BITS L" (" TOLVANE_COMMIT L")\r\n");
    EXPECT_EQ(version.err, "");

    Outcome help = RunTolvanec(L"--help");
    EXPECT_EQ(help.code, 0u);
    EXPECT_EQ(help.err, "");
    ASSERT_GE(help.out.size(), 3u);
    EXPECT_NE(help.out.substr(0, 3), "\xEF\xBB\xBF") << "no byte order mark";
    EXPECT_NE(help.Out().find(L"退出代码"), std::wstring::npos) << "Chinese text intact";
}

TEST(Tolvanec, BadUsageExitsTwoWithTheHelpOnStandardError) {
    std::string help = RunTolvanec(L"--help").out;
    // 252 characters and ".exe" are one more than a key's name may hold.
    const std::wstring tooLong = L"add " + std::wstring(252, L'n') + L" c:\\n.exe";
    for (const wchar_t* arguments :
         {L"", L"frobnicate", tooLong.c_str(), L"--version now", L"add onlyname",
          L"remove a --force", L"list --scope", L"list --scope user --scope machine",
          L"add a b --scope all", L"list --format xml", L"add a\\b c:\\b.exe", L"add a \"\"",
          L"set a", L"set a --target \"\"", L"export out.txt"}) {
        Outcome outcome = RunTolvanec(arguments);
        EXPECT_EQ(outcome.code, 2u) << arguments;
        EXPECT_EQ(outcome.out, "") << arguments;
        EXPECT_NE(outcome.err.find(help), std::string::npos) << arguments;
    }
}

// A console of this process's own, made anew, and its screen buffer.
static UniqueFile FreshConsole() {
    FreeConsole();
    if (!AllocConsole()) return UniqueFile();
    return UniqueFile(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
}

// The window-less path: a real console reads back the characters written.
TEST(ConsoleOutput, AConsoleGetsTheCharactersThemselves) {
    UniqueFile screen = FreshConsole();
    ASSERT_TRUE(screen);
    ASSERT_TRUE(console::WriteText(screen.get(), L"甲乙 App Paths\n丙"));

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen.get(), &info));
    EXPECT_EQ(info.dwCursorPosition.Y, 1) << "CR LF started a new line";
    wchar_t cells[32] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen.get(), cells, 16, COORD{0, 0}, &read);
    std::wstring first(cells, read);
    EXPECT_EQ(first.substr(0, first.find_last_not_of(L' ') + 1), L"甲乙 App Paths");
    FreeConsole();
}

// tolvanec list in a console 100 columns wide: a long path is cut in the
// middle so that no line wraps, keeping its file name; through a pipe it
// stays whole.
TEST(ConsoleOutput, ListFitsTheConsolesWidthAndAPipeGetsWholePaths) {
    ClearAppPaths();
    const std::wstring longPath =
        L"C:\\Program Files\\" + std::wstring(120, L'd') + L"\\深处\\deep-program.exe";
    PutEntry(L"deep.exe", longPath.c_str());
    PutEntry(L"short.exe", L"C:\\windows\\notepad.exe", Scope::User);
    EXPECT_NE(RunTolvanec(L"list").Out().find(longPath), std::wstring::npos);

    UniqueFile screen = FreshConsole();
    ASSERT_TRUE(screen);
    constexpr SHORT kColumns = 100;
    SMALL_RECT window{0, 0, kColumns - 1, 24};
    SetConsoleWindowInfo(screen.get(), TRUE, &window);
    ASSERT_TRUE(SetConsoleScreenBufferSize(screen.get(), COORD{kColumns, 300}));
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, screen.get());
    int code = console::Run({L"list"});
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    EXPECT_EQ(code, 0);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen.get(), &info));
    EXPECT_EQ(info.dwSize.X, kColumns);
    EXPECT_EQ(info.dwCursorPosition.Y, 4) << "a header, its rule and two rows, none wrapped";
    std::vector<std::wstring> lines;
    for (SHORT y = 0; y < 4; ++y) {
        wchar_t cells[kColumns] = {};
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen.get(), cells, kColumns, COORD{0, y}, &read);
        lines.emplace_back(cells, read);
        EXPECT_EQ(lines.back().back(), L' ') << "line " << y << " fills the width";
    }
    FreeConsole();
    EXPECT_EQ(lines[2].rfind(L"deep.exe", 0), 0u);
    size_t cut = lines[2].find(L"C:\\Program Files\\ddd");
    size_t name = lines[2].find(L"…\\deep-program.exe  所有用户");
    EXPECT_NE(cut, std::wstring::npos);
    EXPECT_NE(name, std::wstring::npos);
    EXPECT_NE(lines[3].find(L"C:\\windows\\notepad.exe"), std::wstring::npos);
}
