// tolvanec as a process: what it writes where, and its exit codes; and its
// output layer on a real console.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "console/output.h"
#include "toolkit/handles.h"
#include "tolvane_version.h"

using namespace tolvane;

namespace {

struct Outcome {
    DWORD code = 0;
    std::string out;  // bytes as written
    std::string err;
};

std::wstring TolvanecPath() {
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    path = path.substr(0, path.find_last_of(L'\\'));  // build\tests
    return path.substr(0, path.find_last_of(L'\\')) + L"\\tolvanec.exe";
}

// A fresh temporary file that a child process can inherit.
UniqueFile CaptureFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string ReadBack(HANDLE file) {
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

// Runs tolvanec with |arguments|, its standard output and error redirected
// into files.
Outcome RunTolvanec(const std::wstring& arguments) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    UniqueFile out = CaptureFile(std::wstring(folder) + L"tolvanec-out.txt");
    UniqueFile err = CaptureFile(std::wstring(folder) + L"tolvanec-err.txt");
    Outcome outcome;
    if (!out || !err) {
        ADD_FAILURE() << "no capture files: " << GetLastError();
        return outcome;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    std::wstring exe = TolvanecPath();
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "tolvanec.exe did not start: " << GetLastError();
        return outcome;
    }
    UniqueFile thread(process.hThread);
    UniqueFile running(process.hProcess);
    EXPECT_EQ(WaitForSingleObject(running.get(), 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(running.get(), &outcome.code);
    outcome.out = ReadBack(out.get());
    outcome.err = ReadBack(err.get());
    return outcome;
}

// Strict UTF-8 to UTF-16; fails the test on bytes that are not UTF-8.
std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                   static_cast<int>(bytes.size()), nullptr, 0);
    EXPECT_GT(size, 0) << "not UTF-8";
    std::wstring text(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        size);
    return text;
}

}  // namespace

TEST(Tolvanec, VersionAndHelpGoToStandardOutputAsUtf8) {
    Outcome version = RunTolvanec(L"--version");
    EXPECT_EQ(version.code, 0u);
    EXPECT_EQ(version.out, "tolvanec " TOLVANE_VERSION " (" TOLVANE_COMMIT ")\r\n");
    EXPECT_EQ(version.err, "");

    Outcome help = RunTolvanec(L"--help");
    EXPECT_EQ(help.code, 0u);
    EXPECT_EQ(help.err, "");
    ASSERT_GE(help.out.size(), 3u);
    EXPECT_NE(help.out.substr(0, 3), "\xEF\xBB\xBF") << "no byte order mark";
    std::wstring text = FromUtf8(help.out);
    EXPECT_NE(text.find(L"退出代码"), std::wstring::npos) << "Chinese text intact";
    for (const wchar_t* verb :
         {L"list", L"show", L"add", L"set", L"remove", L"export", L"import", L"check", L"which"}) {
        EXPECT_NE(text.find(L"\r\ntolvanec " + std::wstring(verb) + L" "), std::wstring::npos)
            << verb;
    }
}

TEST(Tolvanec, BadUsageExitsTwoWithTheHelpOnStandardError) {
    std::string help = RunTolvanec(L"--help").out;
    for (const wchar_t* arguments : {L"", L"frobnicate", L"--version now", L"--HELP"}) {
        Outcome outcome = RunTolvanec(arguments);
        EXPECT_EQ(outcome.code, 2u) << arguments;
        EXPECT_EQ(outcome.out, "") << arguments;
        EXPECT_NE(outcome.err.find(help), std::string::npos) << arguments;
    }
}

// The window-less path: a real console reads back the characters written.
TEST(ConsoleOutput, AConsoleGetsTheCharactersThemselves) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    UniqueFile screen(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
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
