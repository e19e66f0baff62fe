#include "support/Handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are small numbers, -1 is "none"; every close is recorded.
std::vector<int> g_closed;

struct CFakeTraits {
    using Type = int;
    static Type Invalid() noexcept { return -1; }
    static void Close(Type h) noexcept { g_closed.push_back(h); }
};

using CFakeHandle = CUniqueHandle<CFakeTraits>;

TEST(Handle, ClosesOnceWhenItGoes) {
    g_closed.clear();
    {
        CFakeHandle none;
        EXPECT_FALSE(none.IsValid());
        CFakeHandle one(7);
        EXPECT_TRUE(one);
        EXPECT_EQ(one.Get(), 7);
    }
    EXPECT_EQ(g_closed, std::vector<int>{7});
}

TEST(Handle, AttachDetachAndMove) {
    g_closed.clear();
    CFakeHandle a(1);
    a.Attach(2); // closes 1
    EXPECT_EQ(g_closed, std::vector<int>{1});
    EXPECT_EQ(a.Detach(), 2);
    EXPECT_FALSE(a.IsValid());
    a.Attach(3);
    CFakeHandle b(std::move(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(b.Get(), 3);
    CFakeHandle c(4);
    c = std::move(b); // closes 4, takes 3
    EXPECT_EQ(g_closed, (std::vector<int>{1, 4}));
    c.Close();
    c.Close();
    EXPECT_EQ(g_closed, (std::vector<int>{1, 4, 3}));
}

} // namespace
