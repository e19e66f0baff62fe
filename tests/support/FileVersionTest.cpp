#include "support/FileVersion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

CVersionNumber V(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    CVersionNumber version;
    version.parts = {a, b, c, d};
    return version;
}

TEST(FileVersion, IsVersionNewerComparesPartsAsUnsignedNumbers) {
    struct Case {
        CVersionNumber a;
        CVersionNumber b;
        bool newer;
    };
    const Case cases[] = {
        {V(4, 0, 0, 0), V(3, 99, 0, 0), true}, // the first part decides
        {V(3, 99, 0, 0), V(4, 0, 0, 0), false},
        {V(4, 0, 0, 1), V(4, 0, 0, 0), true},      // the last part counts
        {V(1, 2, 3, 4), V(1, 2, 3, 4), false},     // equal is not newer
        {V(1, 2, 3, 10), V(1, 2, 3, 9), true},     // numbers, not text
        {V(1, 65535, 0, 0), V(1, 1, 0, 0), true},  // 16-bit parts are unsigned
        {V(1, 65535, 0, 0), V(2, 0, 0, 0), false}, // no carry from one part into the next
        {V(1, 0, 0, 0), V(0, 65535, 65535, 65535), true},
        {V(0, 0, 1, 0), V(0, 0, 0, 65535), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsVersionNewer(c.a, c.b), c.newer)
            << FormatVersion(c.a) << " against " << FormatVersion(c.b);
    }
}

// A fixed file information record with the given signature and file version double words.
std::vector<unsigned char> FixedRecord(std::uint32_t signature, std::uint32_t most,
                                       std::uint32_t least) {
    std::vector<unsigned char> record(kFixedFileInfoSize, 0xEE);
    const auto put = [&record](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            record[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    put(0, signature);
    put(4, 0x00010000u);
    put(8, most);
    put(12, least);
    return record;
}

TEST(FileVersion, ReadFixedFileVersion) {
    const std::vector<unsigned char> good = FixedRecord(0xFEEF04BDu, 0x00040000u, 0x00010078u);
    CVersionNumber version;
    ASSERT_TRUE(ReadFixedFileVersion(good.data(), good.size(), version));
    EXPECT_EQ(FormatVersion(version), "4.0.1.120");

    struct Case {
        const char* what;
        std::vector<unsigned char> record;
        std::size_t length;
    };
    const Case refused[] = {
        {"one byte short", good, kFixedFileInfoSize - 1},
        {"signature wrong", FixedRecord(0x12345678u, 1, 2), kFixedFileInfoSize},
        {"signature byte-swapped", FixedRecord(0xBD04EFFEu, 1, 2), kFixedFileInfoSize},
    };
    for (const Case& c : refused) {
        version = V(5, 6, 7, 8);
        EXPECT_FALSE(ReadFixedFileVersion(c.record.data(), c.length, version)) << c.what;
        EXPECT_EQ(version, V(5, 6, 7, 8)) << c.what << ": version written";
    }
    EXPECT_FALSE(ReadFixedFileVersion(nullptr, kFixedFileInfoSize, version));
}

#ifdef _WIN32
// The fixture libraries built by tests/data/version (a Unix path seen through drive Z:).
std::string Fixture(const std::string& name) {
    std::string path = std::string("Z:") + SETUP_VERSION_FIXTURE_DIR + name;
    for (char& ch : path) {
        if (ch == '/') {
            ch = '\\';
        }
    }
    return path;
}

TEST(FileVersionWin32, LoadsFixtureLibraries) {
    struct Case {
        const char* file;
        bool loads;
        bool hasFixedBlock;
        const char* version; // when hasFixedBlock
    };
    const Case cases[] = {
        {"ver_4_0_0_1.dll", true, true, "4.0.0.1"},
        {"ver_1_65535_0_0.dll", true, true, "1.65535.0.0"},
        {"unversioned.dll", false, false, ""},
        {"no_such_file.dll", false, false, ""},
        {"no_fixed_block.dll", true, false, ""},
        {"short_fixed_block.dll", true, false, ""},
        {"bad_signature.dll", true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CFileVersion file;
        EXPECT_EQ(file.Load(Fixture(c.file)), c.loads);
        VS_FIXEDFILEINFO fixed = {};
        EXPECT_EQ(file.GetFixedInfo(fixed), c.hasFixedBlock);
        std::uint16_t p1 = 11, p2 = 22, p3 = 33, p4 = 44;
        EXPECT_EQ(file.GetFileVersion(p1, p2, &p3, &p4), c.hasFixedBlock);
        if (c.hasFixedBlock) {
            EXPECT_EQ(fixed.dwSignature, kFixedFileInfoSignature);
            EXPECT_EQ(FormatVersion(V(p1, p2, p3, p4)), c.version);
        } else {
            EXPECT_EQ(FormatVersion(V(p1, p2, p3, p4)), "11.22.33.44") << "outputs written";
        }
    }
}

TEST(FileVersionWin32, LoadAgainAndCompare) {
    CFileVersion file;
    ASSERT_TRUE(file.Load(Fixture("ver_1_65535_0_0.dll")));
    std::uint16_t p1 = 0, p2 = 0;
    EXPECT_TRUE(file.GetFileVersion(p1, p2));
    EXPECT_EQ(V(p1, p2, 0, 0), V(1, 65535, 0, 0));

    CFileVersion other;
    ASSERT_TRUE(other.Load(Fixture("ver_1_1_0_0.dll")));
    EXPECT_TRUE(file.IsNewerThan(other));
    EXPECT_FALSE(other.IsNewerThan(file));
    EXPECT_FALSE(file.IsNewerThan(file));

    // A second Load replaces the first file's block; one that fails leaves none, and a
    // version that cannot be read is neither newer nor older.
    ASSERT_TRUE(file.Load(Fixture("ver_4_0_0_0.dll")));
    CVersionNumber version;
    ASSERT_TRUE(file.GetFileVersion(version));
    EXPECT_EQ(FormatVersion(version), "4.0.0.0");
    EXPECT_FALSE(file.Load(Fixture("unversioned.dll")));
    EXPECT_FALSE(file.GetFileVersion(version));
    EXPECT_FALSE(file.IsNewerThan(other));
    EXPECT_FALSE(other.IsNewerThan(file));
    ASSERT_TRUE(file.Load(Fixture("bad_signature.dll")));
    EXPECT_FALSE(file.IsNewerThan(other));
    EXPECT_FALSE(other.IsNewerThan(file));
}
#endif

} // namespace
