// The FAT reader on images built byte by byte: what it reads, and that every hostile image
// ends in a CFatImageException that says what is wrong, never a crash or a hang.
#include "media/FatImage.h"
#include "FatTestImages.h"

#include <gtest/gtest.h>

using namespace fattest;

namespace {

// Expects CFatImageException whose message contains fragment.
template <typename F> void ExpectFatError(F&& f, const std::string& fragment) {
    try {
        f();
        ADD_FAILURE() << "no error; expected one mentioning '" << fragment << "'";
    } catch (const CFatImageException& e) {
        EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

void ExpectListAllError(std::vector<std::uint8_t> image, const std::string& fragment) {
    ExpectFatError([&] { CFatImage(std::move(image)).ListAll(); }, fragment);
}

} // namespace

TEST(FatImage, ReadsRootFilesLabelAndGeometry) {
    const CFatImage image(TwoFileImage());
    EXPECT_EQ(image.Type(), FatType::fat12);
    EXPECT_EQ(image.VolumeLabel(), "TWOFILES");
    EXPECT_EQ(image.Geometry().ClusterCount(), 2847u);
    const auto all = image.ListAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "A.TXT");
    EXPECT_EQ(all[1].firstCluster, 5u);
    EXPECT_EQ(image.ReadFile(all[0]), Filled(1300, 1));
    EXPECT_EQ(image.ReadFile(image.Find("b.txt")), Filled(700, 2));
    ExpectFatError([&] { image.Find("C.TXT"); }, "no such file");
}

TEST(FatImage, LabelFromBootSectorWhenTheRootHasNone) {
    auto bytes = TwoFileImage();
    RootEntry(bytes, 0)[0] = 0xE5; // delete the label entry
    EXPECT_EQ(CFatImage(bytes).VolumeLabel(), "TWOFILES");
    std::memcpy(bytes.data() + 43, "NO NAME    ", 11);
    EXPECT_EQ(CFatImage(bytes).VolumeLabel(), "");
}

TEST(FatImage, SkipsDeletedAndLongNameEntriesAndStopsAtTheEndMark) {
    auto bytes = TwoFileImage();
    RootEntry(bytes, 1)[11] = 0x0F; // A.TXT becomes a long-name part
    RootEntry(bytes, 3)[0] = 0;     // the end mark; what follows is ignored
    std::memcpy(RootEntry(bytes, 4), "LATER   TXT", 11);
    const auto all = CFatImage(bytes).ListAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, "B.TXT");
}

TEST(FatImage, RefusesBootSectorsThatDescribeNoVolume) {
    struct Case {
        std::size_t offset;
        std::uint32_t value;
        bool word;
        const char* fragment;
    };
    const Case cases[] = {
        {11, 0, true, "bytes per sector"},
        {11, 500, true, "bytes per sector"},
        {13, 3, false, "sectors per cluster"},
        {13, 0, false, "sectors per cluster"},
        {16, 0, false, "no reserved sectors"},
        {17, 0, true, "no reserved sectors"},
        {22, 0, true, "FAT32"},
        {19, 20, true, "no data area"},
        {22, 1, true, "too small"},
        {14, 0xFFFF, true, "no data area"},
    };
    for (const Case& c : cases) {
        auto bytes = TwoFileImage();
        if (c.word)
            Put16(bytes.data() + c.offset, c.value);
        else
            bytes[c.offset] = static_cast<std::uint8_t>(c.value);
        ExpectFatError([&] { CFatImage image(bytes); }, c.fragment);
    }
    ExpectFatError([] { CFatImage image(std::vector<std::uint8_t>(100, 0)); }, "too short");
}

TEST(FatImage, RefusesATruncatedImageAndAHugeVolume) {
    auto bytes = TwoFileImage();
    bytes.resize(bytes.size() - 512);
    ExpectFatError([&] { CFatImage image(bytes); }, "truncated");

    auto huge = TwoFileImage();
    Put16(huge.data() + 19, 0);
    Put32(huge.data() + 32, 0xFFFFFFFFu);
    ExpectFatError([&] { CFatImage image(huge); }, "larger than");
}

TEST(FatImage, RefusesBrokenChains) {
    auto loop = TwoFileImage();
    SetLink(loop, 3, 2); // A.TXT: 2 -> 3 -> 2
    ExpectListAllError(loop, "loops");

    auto outside = TwoFileImage();
    SetLink(outside, 2, 4000);
    ExpectListAllError(outside, "outside the volume");

    auto free = TwoFileImage();
    SetLink(free, 3, 0);
    ExpectListAllError(free, "free cluster");

    auto bad = TwoFileImage();
    SetLink(bad, 2, 0xFF7);
    ExpectListAllError(bad, "bad cluster");

    auto shortChain = TwoFileImage();
    SetLink(shortChain, 3, 0xFFF);
    ExpectListAllError(shortChain, "shorter than its size");

    auto noCluster = TwoFileImage();
    Put16(RootEntry(noCluster, 1) + 26, 0);
    ExpectListAllError(noCluster, "outside the volume");
}

TEST(FatImage, RefusesSizesPastTheVolumeWithoutAllocating) {
    auto bytes = TwoFileImage();
    Put32(RootEntry(bytes, 1) + 28, 0xFFFFFFF0u);
    ExpectListAllError(bytes, "larger than the volume");
}

TEST(FatImage, RefusesCrossLinkedFiles) {
    auto bytes = TwoFileImage();
    Put16(RootEntry(bytes, 2) + 26, 3); // B.TXT starts inside A.TXT's chain
    ExpectListAllError(bytes, "share cluster 3");
}

TEST(FatImage, RefusesTwoEntriesWithTheSameName) {
    auto bytes = TwoFileImage();
    std::memcpy(RootEntry(bytes, 2), "a       TXT", 11); // B.TXT becomes a second A.TXT
    ExpectListAllError(bytes, "a.TXT: two entries");
}

TEST(FatImage, RefusesInvalidNames) {
    auto bytes = TwoFileImage();
    std::memcpy(RootEntry(bytes, 1), "..\\EVIL  TXT", 11);
    ExpectListAllError(bytes, "invalid name");
    auto control = TwoFileImage();
    RootEntry(control, 2)[1] = 0x01;
    ExpectListAllError(control, "invalid name");
}

TEST(FatImage, RefusesADirectoryThatContainsItself) {
    auto bytes = TwoFileImage();
    // B.TXT becomes a directory whose only entry is a directory pointing back at cluster 5.
    RootEntry(bytes, 2)[11] = FatDirEntry::kDirectory;
    SetLink(bytes, 6, 0);
    SetLink(bytes, 5, 0xFFF);
    std::uint8_t* sub = bytes.data() + kDataOffset + (5 - 2) * 512;
    std::memset(sub, 0, 512);
    std::memcpy(sub, "SELF       ", 11);
    sub[11] = FatDirEntry::kDirectory;
    Put16(sub + 26, 5);
    ExpectListAllError(bytes, "share cluster 5");
}
