#include "media/FatImageWriter.h"

#include "media/FatImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <set>

namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kTotalSectors = 2880;
constexpr std::uint32_t kSectorsPerFat = 9;
constexpr std::uint32_t kRootEntries = 224;
constexpr std::uint32_t kRootOffset = (1 + 2 * kSectorsPerFat) * kSectorBytes;
constexpr std::uint32_t kDataOffset = kRootOffset + kRootEntries * 32;
constexpr std::uint8_t kMedia = 0xF0;

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

bool IsNameCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || std::isalnum(u))
        return true;
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != '\0';
}

// Blank-padded 11 bytes from a valid upper-case 8.3 name.
void PutShortName(std::uint8_t* entry, const std::string& name) {
    std::memset(entry, ' ', 11);
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    std::memcpy(entry, base.data(), base.size());
    if (dot != std::string::npos)
        std::memcpy(entry + 8, name.data() + dot + 1, name.size() - dot - 1);
    if (entry[0] == 0xE5)
        entry[0] = 0x05;
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian), inverted.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const auto dayOfYear =
        static_cast<unsigned>((153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1);
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

void WriteBootSector(std::uint8_t* boot, const std::string& label, std::uint32_t serial) {
    const std::uint8_t jump[3] = {0xEB, 0x3C, 0x90};
    std::memcpy(boot, jump, 3);
    std::memcpy(boot + 3, "SETUPKIT", 8);
    Put16(boot + 11, kSectorBytes);
    boot[13] = 1;        // sectors per cluster
    Put16(boot + 14, 1); // reserved sectors
    boot[16] = 2;        // FATs
    Put16(boot + 17, kRootEntries);
    Put16(boot + 19, kTotalSectors);
    boot[21] = kMedia;
    Put16(boot + 22, kSectorsPerFat);
    Put16(boot + 24, 18); // sectors per track
    Put16(boot + 26, 2);  // heads
    boot[38] = 0x29;      // extended parameter block follows
    Put32(boot + 39, serial);
    std::memset(boot + 43, ' ', 11);
    const std::string shown = label.empty() ? "NO NAME" : label;
    std::memcpy(boot + 43, shown.data(), shown.size());
    std::memcpy(boot + 54, "FAT12   ", 8);
    // Not a system disk: the boot code asks the firmware for the next boot device.
    boot[62] = 0xCD;
    boot[63] = 0x18;
    boot[510] = 0x55;
    boot[511] = 0xAA;
}

void SetFat12(std::uint8_t* fat, std::uint32_t cluster, std::uint32_t value) {
    std::uint8_t* p = fat + cluster + cluster / 2;
    if ((cluster & 1) != 0) {
        p[0] = static_cast<std::uint8_t>((p[0] & 0x0F) | ((value & 0x0F) << 4));
        p[1] = static_cast<std::uint8_t>(value >> 4);
    } else {
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>((p[1] & 0xF0) | ((value >> 8) & 0x0F));
    }
}

std::uint32_t SerialOf(const std::string& label, const std::vector<FatImageFile>& files) {
    std::uint32_t hash = 2166136261u; // FNV-1a over the label and the names and sizes
    auto mix = [&hash](const std::string& text) {
        for (unsigned char c : text)
            hash = (hash ^ c) * 16777619u;
    };
    mix(label);
    for (const FatImageFile& f : files)
        mix(f.name + ":" + std::to_string(f.contents.size()));
    return hash;
}

std::vector<std::string> CheckedNames(const std::vector<FatImageFile>& files) {
    if (files.size() > kRootEntries - 1)
        throw CFatImageException("more files (" + std::to_string(files.size()) +
                                 ") than the root directory of a diskette holds");
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::size_t clusters = 0;
    for (const FatImageFile& f : files) {
        const std::string name = ToShortFileName(f.name);
        if (name.empty())
            throw CFatImageException("'" + f.name + "' is not an 8.3 file name");
        if (!seen.insert(name).second)
            throw CFatImageException("'" + f.name + "' is on the diskette twice");
        clusters += (f.contents.size() + kSectorBytes - 1) / kSectorBytes;
        names.push_back(name);
    }
    if (clusters * kSectorBytes > kDisketteDataBytes)
        throw CFatImageException("the files (" + std::to_string(clusters * kSectorBytes) +
                                 " bytes in clusters) do not fit on a 1.44 MB diskette");
    return names;
}

} // namespace

std::string ToVolumeLabel(const std::string& text) {
    std::string label;
    for (char c : text.substr(0, 11)) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        label += (IsNameCharacter(upper) || upper == ' ') ? upper : '_';
    }
    while (!label.empty() && label.back() == ' ')
        label.pop_back();
    return label;
}

std::string ToShortFileName(const std::string& name) {
    std::string upper;
    for (char c : name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t dot = upper.find('.');
    const std::string base = upper.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : upper.substr(dot + 1);
    const bool shapeOk = !base.empty() && base.size() <= 8 && ext.size() <= 3 &&
                         (dot == std::string::npos || !ext.empty());
    if (!shapeOk || !std::all_of(base.begin(), base.end(), IsNameCharacter) ||
        !std::all_of(ext.begin(), ext.end(), IsNameCharacter))
        return {};
    return upper;
}

void ToDosDateTime(std::int64_t seconds, std::uint16_t& date, std::uint16_t& time) {
    constexpr std::int64_t kFirst = 315532800; // 1980-01-01 00:00:00
    constexpr std::int64_t kLast = 4354819198; // 2107-12-31 23:59:58
    seconds = std::clamp(seconds, kFirst, kLast);
    const std::int64_t days = seconds / 86400;
    const auto secondOfDay = static_cast<int>(seconds % 86400);
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    time = static_cast<std::uint16_t>(((secondOfDay / 3600) << 11) |
                                      (((secondOfDay / 60) % 60) << 5) | ((secondOfDay % 60) / 2));
}

std::int64_t FromDosDateTime(std::uint16_t date, std::uint16_t time) {
    const int year = 1980 + (date >> 9);
    const int month = (date >> 5) & 0x0F;
    const int day = date & 0x1F;
    const std::int64_t days = DaysFromCivil(year, month, day);
    return days * 86400 + (time >> 11) * 3600 + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
}

std::vector<std::uint8_t> BuildDisketteImage(const std::string& volumeLabel,
                                             const std::vector<FatImageFile>& files) {
    const std::string label = ToVolumeLabel(volumeLabel);
    const std::vector<std::string> names = CheckedNames(files);
    std::vector<std::uint8_t> image(kDisketteImageBytes, 0);
    WriteBootSector(image.data(), label, SerialOf(label, files));

    std::uint8_t* fat = image.data() + kSectorBytes;
    SetFat12(fat, 0, 0xF00u | kMedia);
    SetFat12(fat, 1, 0xFFF);
    std::uint8_t* entry = image.data() + kRootOffset;
    if (!label.empty()) {
        std::memset(entry, ' ', 11);
        std::memcpy(entry, label.data(), label.size());
        entry[11] = 0x08;
        entry += 32;
    }
    std::uint32_t cluster = 2;
    for (std::size_t i = 0; i < files.size(); ++i, entry += 32) {
        const FatImageFile& file = files[i];
        const auto clusters =
            static_cast<std::uint32_t>((file.contents.size() + kSectorBytes - 1) / kSectorBytes);
        PutShortName(entry, names[i]);
        entry[11] = static_cast<std::uint8_t>(file.attributes & 0x27);
        std::uint16_t date = 0, time = 0;
        ToDosDateTime(file.modifyTime, date, time);
        Put16(entry + 22, time);
        Put16(entry + 24, date);
        Put16(entry + 26, clusters == 0 ? 0 : cluster);
        Put32(entry + 28, static_cast<std::uint32_t>(file.contents.size()));
        if (!file.contents.empty())
            std::memcpy(image.data() + kDataOffset + (cluster - 2) * kSectorBytes,
                        file.contents.data(), file.contents.size());
        for (std::uint32_t k = 0; k < clusters; ++k, ++cluster)
            SetFat12(fat, cluster, k + 1 == clusters ? 0xFFF : cluster + 1);
    }
    std::memcpy(fat + kSectorsPerFat * kSectorBytes, fat, kSectorsPerFat * kSectorBytes);
    return image;
}

void WriteDisketteImage(const std::string& path, const std::string& volumeLabel,
                        const std::vector<FatImageFile>& files) {
    const std::vector<std::uint8_t> image = BuildDisketteImage(volumeLabel, files);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out)
        throw CFatImageException(path + ": cannot be written");
}
