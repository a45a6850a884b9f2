// A tiny program for the editing tests: registered under a short name, it is
// started through the shell and leaves proof that it ran, a marker file with
// its own path in the temporary folder and a known exit code.
#include <windows.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t marker[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, marker);
    wcscat(marker, L"tvdemo-ran.txt");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, self, static_cast<DWORD>(wcslen(self) * sizeof(wchar_t)), &written,
                  nullptr);
        CloseHandle(file);
    }
    return 73;
}
