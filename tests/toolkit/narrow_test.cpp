// The narrow-text boundary in code page 936.
#include <gtest/gtest.h>

#include "toolkit/narrow.h"

using namespace tolvane;

TEST(Narrow, RoundTripsChineseThroughCodePage936) {
    const std::wstring text = L"打开注册表失败！ C:\\程序\\a.exe";
    std::string bytes = ToAnsi(text);
    EXPECT_EQ(bytes.substr(0, 2), "\xB4\xF2");  // 打
    EXPECT_EQ(FromAnsi(bytes), text);
    EXPECT_EQ(AnsiLength(L"中文.exe"), 8u);
    EXPECT_EQ(ToAnsi(L""), "");
    EXPECT_EQ(FromAnsi(""), L"");
}

TEST(Narrow, BufferTextEndsAtTheFirstNul) {
    const char buffer[8] = {'a', 'b', 0, 'c', 'd', 0, 0, 0};
    EXPECT_EQ(FromAnsiBuffer(buffer, sizeof(buffer)), L"ab");
    const char full[3] = {'x', 'y', 'z'};
    EXPECT_EQ(FromAnsiBuffer(full, sizeof(full)), L"xyz");
}
