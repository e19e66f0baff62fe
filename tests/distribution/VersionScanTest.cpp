// Reading a file's version from its bytes: the 32-bit (UTF-16 key) and 16-bit (ANSI key)
// forms of the version resource's root block, and look-alikes that must not count.
#include "DistributionFixture.h"

#include "distribution/VersionScan.h"

#include <gtest/gtest.h>

namespace {

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// A 16-bit block: length, value length, "VS_VERSION_INFO\0", padding, fixed record.
std::vector<std::uint8_t> NarrowBlock(std::uint32_t signature) {
    std::vector<std::uint8_t> v(7, 'x'); // the block starts at an odd offset on purpose
    const std::size_t start = v.size();
    for (std::uint8_t b : {0x00, 0x02, 52, 0}) // block length, value length
        v.push_back(b);
    for (char c : std::string("VS_VERSION_INFO"))
        v.push_back(static_cast<std::uint8_t>(c));
    v.push_back(0);
    while ((v.size() - start) % 4 != 0)
        v.push_back(0);
    Put32(v, signature);
    Put32(v, 0x10000);
    Put32(v, (3u << 16) | 10u); // 3.10
    Put32(v, 0);                // .0.0
    for (int i = 0; i < 9; ++i)
        Put32(v, 0);
    return v;
}

} // namespace

TEST(VersionScan, ReadsBothFormsAndRefusesLookAlikes) {
    CVersionNumber version;
    ASSERT_TRUE(ScanFileVersion(ProgramWithVersion(), version));
    EXPECT_EQ(FormatVersion(version), "1.2.3.4");
    ASSERT_TRUE(ScanFileVersion(NarrowBlock(0xFEEF04BDu), version));
    EXPECT_EQ(FormatVersion(version), "3.10.0.0");

    EXPECT_FALSE(ScanFileVersion(NarrowBlock(0x12345678u), version));
    std::vector<std::uint8_t> cut = ProgramWithVersion();
    cut.resize(1001 + 3 + 6 + 32 + 4 + 20); // the fixed record cut short
    EXPECT_FALSE(ScanFileVersion(cut, version));
    EXPECT_FALSE(ScanFileVersion({}, version));
}

TEST(VersionScan, OnlyProgramsAndLibrariesAreLookedAt) {
    EXPECT_TRUE(MayHaveVersion("APP.EXE"));
    EXPECT_TRUE(MayHaveVersion("sys.dll"));
    EXPECT_FALSE(MayHaveVersion("README.HLP"));
    EXPECT_FALSE(MayHaveVersion("EXE"));
}
