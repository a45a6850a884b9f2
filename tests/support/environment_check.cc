#include <gtest/gtest.h>
#include <windows.h>

// Every test program checks that it runs under the ANSI code page that the
// program is made for; a mis-set locale would otherwise test code page 1252.
TEST(Environment, AnsiCodePageIs936) {
    EXPECT_EQ(GetACP(), 936u);
}
