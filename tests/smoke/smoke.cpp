#include <gtest/gtest.h>
#include <zlib.h>
#ifdef _WIN32
#include <windows.h>
#endif
TEST(Smoke, Zlib) { EXPECT_NE(zlibVersion(), nullptr); }
#ifdef _WIN32
TEST(Smoke, Win) { char b[260]; EXPECT_GT(GetWindowsDirectoryA(b, 260), 0u); printf("%s\n", b); }
#endif
