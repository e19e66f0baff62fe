// The diskette image writer: names, labels, times, limits, and images that the reader takes
// back unchanged.
#include "media/FatImageWriter.h"
#include "FatTestImages.h"
#include "media/FatImage.h"

#include <gtest/gtest.h>

using namespace fattest;

TEST(FatImageWriter, ShortNamesAndLabels) {
    EXPECT_EQ(ToShortFileName("setup.exe"), "SETUP.EXE");
    EXPECT_EQ(ToShortFileName("APP.MF1"), "APP.MF1");
    EXPECT_EQ(ToShortFileName("README"), "README");
    for (const char* bad : {"", ".", "TOOLONGNAME.TXT", "A.TEXT", "A.", "A B.TXT", "A.B.C",
                            "A+B.TXT", "..\\X", "CON/A"})
        EXPECT_EQ(ToShortFileName(bad), "") << bad;
    EXPECT_EQ(ToVolumeLabel("Program Disk 1"), "PROGRAM DIS");
    EXPECT_EQ(ToVolumeLabel("disk.2"), "DISK_2");
    EXPECT_EQ(ToVolumeLabel(""), "");
}

TEST(FatImageWriter, DosDateAndTime) {
    std::uint16_t date = 0, time = 0;
    ToDosDateTime(1000000000, date, time); // 2001-09-09 01:46:40 UTC
    EXPECT_EQ(date, ((2001 - 1980) << 9) | (9 << 5) | 9);
    EXPECT_EQ(time, (1 << 11) | (46 << 5) | 20);
    ToDosDateTime(0, date, time); // before 1980: the first representable day
    EXPECT_EQ(date, (1 << 5) | 1);
    EXPECT_EQ(time, 0);
    ToDosDateTime(951782400, date, time); // 2000-02-29, a leap day
    EXPECT_EQ(date, (20 << 9) | (2 << 5) | 29);
    for (std::int64_t t : {315532800ll, 951782400ll, 1000000000ll, 4354819198ll}) {
        ToDosDateTime(t, date, time);
        EXPECT_EQ(FromDosDateTime(date, time), t) << t;
    }
    ToDosDateTime(1000000001, date, time); // two-second steps
    EXPECT_EQ(FromDosDateTime(date, time), 1000000000);
}

TEST(FatImageWriter, ImageReadsBackWithLabelNamesContentsAndAttributes) {
    const std::vector<FatImageFile> files = {
        {"setup.ini", Bytes("[general]\r\n"), 1000000000, 0x20},
        {"APP.MF1", Filled(5000, 3), 1000000000, 0x21},
        {"EMPTY.TXT", {}, 1000000000, 0x20},
    };
    const auto bytes = BuildDisketteImage("Disk One", files);
    ASSERT_EQ(bytes.size(), kDisketteImageBytes);
    EXPECT_EQ(bytes, BuildDisketteImage("Disk One", files)); // deterministic
    const CFatImage image(bytes);
    EXPECT_EQ(image.VolumeLabel(), "DISK ONE");
    EXPECT_EQ(image.Geometry().media, 0xF0);
    const auto all = image.ListAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "SETUP.INI");
    EXPECT_EQ(all[1].attributes, 0x21);
    EXPECT_EQ(all[2].size, 0u);
    EXPECT_EQ(all[2].firstCluster, 0u);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(image.ReadFile(all[i]), files[i].contents) << all[i].name;
    // Both FATs are the same.
    EXPECT_TRUE(std::equal(bytes.begin() + 512, bytes.begin() + 512 + 9 * 512,
                           bytes.begin() + 512 + 9 * 512));
}

TEST(FatImageWriter, RefusesWhatADisketteCannotHold) {
    EXPECT_THROW(BuildDisketteImage("X", {{"LONGFILENAME.TXT", {}, 0, 0x20}}), CFatImageException);
    EXPECT_THROW(BuildDisketteImage("X", {{"a.txt", {}, 0, 0x20}, {"A.TXT", {}, 0, 0x20}}),
                 CFatImageException);
    EXPECT_THROW(BuildDisketteImage("X", {{"BIG.BIN", Filled(kDisketteDataBytes + 1, 1), 0, 0x20}}),
                 CFatImageException);
    std::vector<FatImageFile> many;
    for (int i = 0; i < 224; ++i)
        many.push_back({"F" + std::to_string(i), {}, 0, 0x20});
    EXPECT_THROW(BuildDisketteImage("X", many), CFatImageException);
    many.pop_back();
    EXPECT_EQ(CFatImage(BuildDisketteImage("X", many)).RootDirectory().size(), 223u);
    // Exactly full: every data cluster used.
    const auto full =
        BuildDisketteImage("", {{"FULL.BIN", Filled(kDisketteDataBytes, 4), 0, 0x20}});
    EXPECT_EQ(CFatImage(full).ReadFile(CFatImage(full).Find("FULL.BIN")),
              Filled(kDisketteDataBytes, 4));
}
