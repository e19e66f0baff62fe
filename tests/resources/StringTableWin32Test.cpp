// The Windows string table resource against the built-in copy of the same texts.
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringTableResource, ReturnsTheBuiltInTextForEveryId) {
    for (unsigned id : BuiltInStringIds()) {
        EXPECT_EQ(LoadStringId(id), LoadBuiltInString(id)) << "string " << id;
    }
}

std::string Repeated(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) {
        s += piece;
    }
    return s;
}

const std::string kLine = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_";

TEST(StringTableResource, TextLongerThanTheFirstBufferComesWhole) {
    EXPECT_EQ(LoadStringId(61000), Repeated(kLine, 16) + "!");
}

TEST(StringTableResource, TextThatExactlyFillsTheFirstBufferComesWhole) {
    // 255 characters: LoadStringA fills a 256-character buffer completely, so the result
    // alone cannot tell whether the text was cut.
    const std::string expected = Repeated(kLine, 4).substr(0, 255);
    EXPECT_EQ(LoadStringId(61001), expected);
}

} // namespace
