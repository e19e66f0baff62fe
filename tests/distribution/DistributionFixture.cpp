#include "DistributionFixture.h"

#include "archive/ArchiveWriter.h"
#include "media/FatImageWriter.h"
#include "support/FilePath.h"
#include "support/FileStatus.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

void PutLe(std::vector<std::uint8_t>& v, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> TextBytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

const char kProfile[] = "[general]\r\n"
                        "App Title=Test App\r\n"
                        "PM Group=Test Group\r\n"
                        "Primary NameExtension=APP.EXE\r\n"
                        "Display Name=Test Application\r\n"
                        "[destinations]\r\n"
                        "0=%APP%|-1|\r\n"
                        "1=%DATA%|0|\r\n"
                        "[groups]\r\n"
                        "Main=Main files|The program|1|1|1\r\n"
                        "Extra=Extras|Optional files|0|0|1\r\n"
                        "[Main]\r\n"
                        "MAIN.MF1=400000|1|5|1||\r\n"
                        "LICENSE.TXT=20|0|1|1|0|\r\n"
                        "[Extra]\r\n"
                        "EXTRA.MF1=1000|1|1|2||\r\n"
                        "[targets]\r\n"
                        "README.HLP=0|-1|0|Read Me||APP.ICO|\r\n"
                        "[diskettes]\r\n"
                        "1=Program Disk 1|\r\n"
                        "2=Program Disk 2|\r\n";

} // namespace

std::vector<std::uint8_t> ProgramWithVersion() {
    std::vector<std::uint8_t> bytes(1001, 0x90);
    while (bytes.size() % 4 != 0)
        bytes.push_back(0);
    PutLe(bytes, 0x200, 2); // block length
    PutLe(bytes, 52, 2);    // value length
    PutLe(bytes, 0, 2);     // binary
    for (char c : std::string("VS_VERSION_INFO"))
        PutLe(bytes, static_cast<unsigned char>(c), 2);
    PutLe(bytes, 0, 2);
    PutLe(bytes, 0, 2);               // to the 4-byte boundary
    PutLe(bytes, 0xFEEF04BDu, 4);     // signature
    PutLe(bytes, 0x10000, 4);         // record version
    PutLe(bytes, (1u << 16) | 2u, 4); // file version 1.2
    PutLe(bytes, (3u << 16) | 4u, 4); // .3.4
    for (int i = 0; i < 9; ++i)
        PutLe(bytes, 0, 4);
    bytes.resize(bytes.size() + 500, 0);
    return bytes;
}

DistributionFixture::DistributionFixture(const std::string& dataFolder,
                                         const std::string& appFolder,
                                         std::int16_t libraryDestination) {
    WriteSources();
    WriteArchives(dataFolder, appFolder, libraryDestination);
    WriteImages();
}

void DistributionFixture::WriteSources() {
    m_sources["APP.EXE"] = ProgramWithVersion();
    m_sources["README.HLP"] = TextBytes("help text\r\n");
    m_sources["DATA.DAT"] = Pattern(300000, 7);
    m_sources["SYS.DLL"] = Pattern(3000, 9);
    m_sources["NOTINST.TXT"] = TextBytes("only on the diskette\r\n");
    m_sources["EXTRA.TXT"] = TextBytes("an optional file\r\n");
    m_sources["LICENSE.TXT"] = TextBytes("license text, longer than the profile says");
    fs::create_directories(m_root.File("src"));
    for (const auto& [name, bytes] : m_sources)
        WriteBytes(m_root.File("src/" + name), bytes);
}

void DistributionFixture::WriteArchives(const std::string& dataFolder, const std::string& appFolder,
                                        std::int16_t libraryDestination) {
    const std::string disk1 = m_root.File("dist/DISK01");
    const std::string disk2 = m_root.File("dist/DISK02");
    fs::create_directories(disk1);
    fs::create_directories(disk2);
    CArchiveWriter main(disk1 + "/MAIN.MF1", 200000);
    const struct {
        const char* name;
        std::int16_t destination;
        std::int32_t method;
    } members[] = {{"APP.EXE", 0, 4},
                   {"README.HLP", 0, 3},
                   {"DATA.DAT", 1, 2},
                   {"SYS.DLL", libraryDestination, 4},
                   {"NOTINST.TXT", -1, 4}};
    for (const auto& m : members) {
        ArchiveMemberOptions options;
        options.method = m.method;
        options.destinationId = m.destination;
        options.storedName = std::string("C:\\BUILD\\") + m.name;
        main.AddFile(m_root.File(std::string("src/") + m.name), options);
    }
    main.Finish();
    fs::rename(disk1 + "/MAIN.MF2", disk2 + "/MAIN.MF2");
    CArchiveWriter extra(disk2 + "/EXTRA.MF1");
    ArchiveMemberOptions options;
    options.storedName = "EXTRA.TXT";
    extra.AddFile(m_root.File("src/EXTRA.TXT"), options);
    extra.Finish();
    fs::copy_file(m_root.File("src/LICENSE.TXT"), disk1 + "/LICENSE.TXT");
    std::string profile = kProfile;
    profile.replace(profile.find("%DATA%"), 6, dataFolder);
    profile.replace(profile.find("%APP%"), 5, appFolder);
    WriteBytes(disk1 + "/SETUP.INI", TextBytes(profile));
}

void DistributionFixture::WriteImages() {
    const char* labels[] = {"Program Disk 1", "Program Disk 2"};
    for (int disk = 1; disk <= 2; ++disk) {
        std::vector<FatImageFile> files;
        const std::string folder = m_root.File("dist/DISK0" + std::to_string(disk));
        for (const auto& entry : fs::directory_iterator(folder)) {
            // The folder's files get the time that the image stores (even seconds, UTC).
            CFileStatusInfo status;
            status.modifyTime = 1000000000;
            status.attributes = 0x20;
            CFilePath(entry.path().string()).ApplyFileStatus(status);
            files.push_back({entry.path().filename().string(), ReadBytes(entry.path().string()),
                             status.modifyTime, status.attributes});
        }
        WriteDisketteImage(ImageOf(disk), labels[disk - 1], files);
    }
}
