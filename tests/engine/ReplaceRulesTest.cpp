#include "engine/ReplaceRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

CReplaceFacts Versioned(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d,
                        std::int64_t time = 1000) {
    CReplaceFacts facts;
    facts.hasVersion = true;
    facts.version.parts = {a, b, c, d};
    facts.modifyTime = time;
    return facts;
}

CReplaceFacts Unversioned(std::int64_t time) {
    CReplaceFacts facts;
    facts.modifyTime = time;
    return facts;
}

constexpr std::int64_t kYear2000 = 946684800;
constexpr std::int64_t kYear2020 = 1577836800;

TEST(ReplaceRules, DecideReplacement) {
    struct Case {
        const char* what;
        CReplaceFacts present;
        CReplaceFacts newFile;
        int expected;
    };
    const Case cases[] = {
        {"versioned present, unversioned new however new", Versioned(1, 0, 0, 0, kYear2000),
         Unversioned(kYear2020), 0},
        {"unversioned present, versioned new however old", Unversioned(kYear2020),
         Versioned(0, 0, 0, 0, kYear2000), 1},
        {"newer last part", Versioned(4, 0, 0, 0), Versioned(4, 0, 0, 1), 1},
        {"equal versions keep, whatever the times", Versioned(4, 0, 0, 0, kYear2000),
         Versioned(4, 0, 0, 0, kYear2020), 0},
        {"older version keeps, whatever the times", Versioned(4, 0, 0, 0, kYear2000),
         Versioned(3, 99, 0, 0, kYear2020), 0},
        {"parts are unsigned", Versioned(1, 1, 0, 0), Versioned(1, 65535, 0, 0), 1},
        {"no time fallback between versions", Versioned(2, 0, 0, 0, kYear2000),
         Versioned(1, 65535, 0, 0, kYear2020), 0},
        {"newer time", Unversioned(kYear2000), Unversioned(kYear2000 + 1), 1},
        {"equal times keep", Unversioned(kYear2000), Unversioned(kYear2000), 0},
        {"unreadable present (time 0)", Unversioned(0), Unversioned(1), 1},
        {"unreadable new (time 0)", Unversioned(kYear2000), Unversioned(0), 0},
        {"before 1970 against 0", Unversioned(-86400), Unversioned(0), 1},
        {"past January 2038", Unversioned(INT32_MAX), Unversioned(std::int64_t{INT32_MAX} + 1), 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideReplacement(c.present, c.newFile), c.expected) << c.what;
    }
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

// A fresh directory under the temporary directory, ending in a backslash.
std::string FreshDirectory(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "replace-rules-" + name + "\\";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Copies a fixture (or, for "", writes a small file without any resource) to path and gives
// it the last-write time seconds since 1970, with the platform's own call.
void PlaceFile(const std::string& fixture, const std::string& path, std::int64_t seconds) {
    ::DeleteFileA(path.c_str());
    if (fixture.empty()) {
        CFileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.IsValid()) << path;
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), "text", 4, &written, nullptr));
    } else {
        ASSERT_TRUE(::CopyFileA(Fixture(fixture).c_str(), path.c_str(), TRUE)) << fixture;
    }
    CFileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    const std::uint64_t steps =
        static_cast<std::uint64_t>(seconds * 10000000LL + 116444736000000000LL);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(steps & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(steps >> 32);
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &time));
}

TEST(ReplaceRulesWin32, ShouldReplaceRealFiles) {
    struct Case {
        const char* what;
        const char* present; // fixture name, "" for a plain file, nullptr for no file
        std::int64_t presentTime;
        const char* newFile;
        std::int64_t newTime;
        int expected;
    };
    const Case cases[] = {
        {"newer version", "ver_4_0_0_0.dll", kYear2020, "ver_4_0_0_1.dll", kYear2000, 1},
        {"same version", "ver_4_0_0_0.dll", kYear2000, "ver_4_0_0_0.dll", kYear2020, 0},
        {"versioned present, unversioned new", "ver_1_1_0_0.dll", kYear2000, "unversioned.dll",
         kYear2020, 0},
        {"plain present, versioned new", "", kYear2020, "ver_1_1_0_0.dll", kYear2000, 1},
        {"plain files, newer", "", kYear2000, "", kYear2000 + 2, 1},
        {"plain files, equal times", "", kYear2000, "", kYear2000, 0},
        {"plain files, past January 2038", "", 2147483646, "", 2208988800, 1},
        {"missing present (time 0)", nullptr, 0, "", 1, 1},
        // A resource without a readable fixed block counts as no version: times decide.
        {"no fixed block present, newer plain", "no_fixed_block.dll", kYear2000, "", kYear2020, 1},
        {"no fixed block present, older plain", "no_fixed_block.dll", kYear2020, "", kYear2000, 0},
        {"versioned present, bad signature new", "ver_1_1_0_0.dll", kYear2000, "bad_signature.dll",
         kYear2020, 0},
        {"short fixed block present, versioned new", "short_fixed_block.dll", kYear2020,
         "ver_1_1_0_0.dll", kYear2000, 1},
    };
    const std::string dir = FreshDirectory("real");
    const std::string present = dir + "present.dll";
    const std::string newFile = dir + "5A3F09C1.dll";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileA(present.c_str());
        if (c.present != nullptr) {
            PlaceFile(c.present, present, c.presentTime);
        }
        PlaceFile(c.newFile, newFile, c.newTime);
        EXPECT_EQ(ShouldReplace(present, newFile), c.expected);
    }
    ::DeleteFileA(present.c_str());
    ::DeleteFileA(newFile.c_str());
    ::RemoveDirectoryA(dir.c_str());
}
#endif

} // namespace
