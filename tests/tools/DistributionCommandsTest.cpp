// mfarc dist: the command line over a two-diskette distribution made in the test.
#include "DistributionCommands.h"
#include "ArchiveJson.h"
#include "DistributionFixture.h"
#include "JsonText.h"

#include "media/FatImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

struct DistRun {
    int code = 0;
    std::string out;
    std::string err;
};

DistRun Dist(std::vector<std::string> args) {
    std::ostringstream out, err;
    DistributionToolIo io{out, err};
    DistRun run;
    run.code = RunDistributionCommand(args, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(DistCommand, ListShowsComponentsDiskettesItemsAndRegistry) {
    DistributionFixture fixture;
    const DistRun run = Dist({"list", fixture.Folders()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "component Main (setup types 1 2 3)")) << run.out;
    EXPECT_TRUE(Has(run.out, "component Extra (setup types 3)")) << run.out;
    EXPECT_TRUE(Has(run.out, "  1-2  stored     300000 ")) << run.out;
    EXPECT_TRUE(Has(run.out, " 1.2.3.4    TESTAPP          APP.EXE  [MAIN.MF1]")) << run.out;
    EXPECT_TRUE(Has(run.out, "(not installed)  NOTINST.TXT")) << run.out;
    EXPECT_TRUE(
        Has(run.out, "Read Me: winhlp32  C:\\TESTAPP\\README.HLP, icon C:\\TESTAPP\\APP.ICO,0"))
        << run.out;
    EXPECT_TRUE(Has(run.out, "App Paths\\APP.EXE: (default) = C:\\TESTAPP\\APP.EXE")) << run.out;
    EXPECT_TRUE(Has(run.out, "7 file(s)")) << run.out;
}

TEST(DistCommand, JsonListOfImagesInAnyOrder) {
    DistributionFixture fixture;
    std::vector<std::string> args = {"list", "--json"};
    for (const std::string& image : fixture.Images())
        args.push_back(image);
    args.insert(args.end(), {"--", "DATA.*", "app.exe"});
    const DistRun run = Dist(args);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "\"title\": \"Test App\"")) << run.out;
    EXPECT_TRUE(Has(run.out, "\"source\": " + JsonString(fixture.ImageOf(1)))) << run.out;
    EXPECT_TRUE(Has(run.out, "\"name\": \"DATA.DAT\"")) << run.out;
    EXPECT_TRUE(Has(run.out, "\"lastDiskette\": 2")) << run.out;
    EXPECT_TRUE(Has(run.out, "\"version\": \"1.2.3.4\"")) << run.out;
    EXPECT_FALSE(Has(run.out, "SYS.DLL")) << run.out;
    EXPECT_EQ(run.out.back(), '\n');
}

TEST(DistCommand, TestNamesTheDisketteAndArchiveOfADamagedFile) {
    DistributionFixture fixture;
    std::vector<std::uint8_t> image = ReadBytes(fixture.ImageOf(2));
    const CFatImage fat(image);
    const std::size_t offset =
        fat.Geometry().DataOffset() +
        (fat.Find("MAIN.MF2").firstCluster - 2) * fat.Geometry().ClusterBytes() + 5000;
    image[offset] ^= 1;
    WriteBytes(fixture.ImageOf(2), image);
    std::vector<std::string> args = {"test", "-q"};
    for (const std::string& i : fixture.Images())
        args.push_back(i);
    const DistRun run = Dist(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(Has(run.out, "DAMAGED DATA.DAT (Archive file damaged (CRC Mismatch))")) << run.out;
    EXPECT_TRUE(Has(run.out, "6 file(s) ok, 1 damaged")) << run.out;
    EXPECT_FALSE(Has(run.out, "ok SYS.DLL")) << run.out; // quiet
    EXPECT_TRUE(Has(run.err, "diskette 1 (" + fixture.ImageOf(1) + ") to 2 (" + fixture.ImageOf(2) +
                                 "), MAIN.MF1, DATA.DAT: Archive file "
                                 "damaged (CRC Mismatch)"))
        << run.err;
}

TEST(DistCommand, ExtractIntoAFolderQuietlyAndRefuseToReplace) {
    DistributionFixture fixture;
    const std::string out = fixture.OutputFolder("out");
    const DistRun first = Dist({"extract", "-q", "-d", out, fixture.Folders()});
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out, "5 file(s) extracted\n");
    EXPECT_TRUE(std::filesystem::exists(out + "/TESTAPP/DATA/DATA.DAT"));

    const DistRun again = Dist({"extract", "-C", out, "--all", fixture.Folders()});
    EXPECT_EQ(again.code, 2);
    const std::string extra = (std::filesystem::path(out) / "TESTAPP" / "EXTRA.TXT").string();
    EXPECT_TRUE(Has(again.out, "extracted " + extra + "\n")) << again.out;
    const std::string app = (std::filesystem::path(out) / "TESTAPP" / "APP.EXE").string();
    EXPECT_TRUE(Has(again.out, "kept " + app + " (already exists; not replaced)\n")) << again.out;
    EXPECT_TRUE(Has(again.out, "1 file(s) extracted, 5 not replaced")) << again.out;
    EXPECT_TRUE(Has(again.err, "APP.EXE: already exists; not replaced")) << again.err;
}

TEST(DistCommand, UsageAndDistributionErrors) {
    EXPECT_EQ(Dist({}).code, 1);
    EXPECT_EQ(Dist({"frobnicate", "x"}).code, 1);
    EXPECT_EQ(Dist({"list"}).code, 1);
    EXPECT_EQ(Dist({"test", "--json", "x"}).code, 1);
    EXPECT_EQ(Dist({"list", "--bogus", "x"}).code, 1);
    const DistRun missing = Dist({"list", "/nonexistent/disk1.img"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(Has(missing.err, "/nonexistent/disk1.img: cannot be opened")) << missing.err;
}

TEST(JsonText, EscapesQuotesControlAndHighBytes) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\tnl\n"), "\"tab\\u0009nl\\u000a\"");
    EXPECT_EQ(JsonString("\xe9t\xe9"), "\"\\u00e9t\\u00e9\"");
    std::ostringstream out;
    {
        CJsonWriter json(out);
        json.BeginObject();
        json.BeginArray("empty");
        json.EndArray();
        json.Number("n", -5);
        json.Bool("b", true);
        json.Null("z");
        json.EndObject();
    }
    EXPECT_EQ(out.str(), "{\n  \"empty\": [],\n  \"n\": -5,\n  \"b\": true,\n  \"z\": null\n}\n");
}

TEST(JsonText, ArchiveListing) {
    EntryHeader h;
    h.SetName("C:\\BUILD\\APP.EXE");
    h.method = 3;
    h.expandedSize = 10;
    h.compressedSize = 7;
    h.checksum = 0x3E105F31;
    h.destinationId = -1;
    h.attributes = 0x21;
    h.modifyTime = 1000000000;
    h.continued = 1;
    std::ostringstream out;
    WriteArchiveJson("x.mf1", {h}, out);
    EXPECT_EQ(out.str(), "{\n  \"archive\": \"x.mf1\",\n  \"members\": [\n    {\n"
                         "      \"storedName\": \"C:\\\\BUILD\\\\APP.EXE\",\n"
                         "      \"name\": \"APP.EXE\",\n      \"method\": \"lh5\",\n"
                         "      \"expandedSize\": 10,\n      \"compressedSize\": 7,\n"
                         "      \"checksum\": 1041260337,\n      \"destination\": -1,\n"
                         "      \"attributes\": 33,\n"
                         "      \"modified\": \"2001-09-09 01:46:40\",\n"
                         "      \"continued\": true\n    }\n  ]\n}\n");
}
