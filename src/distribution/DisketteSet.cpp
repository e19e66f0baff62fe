#include "distribution/DisketteSet.h"

#include "archive/MultiFile.h"
#include "distribution/SafeNames.h"
#include "media/FatImage.h"
#include "media/FatImageWriter.h"
#include "profile/DestinationRecord.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "support/FilePath.h"
#include "support/FileStatus.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

bool HasExtension(const std::string& path, const char* extension) {
    return FoldCase(fs::path(path).extension().string()) == extension;
}

bool IsInstallProfile(const std::string& path) {
    const CFixedSystemFolders machine;
    DestinationMap destinations(machine);
    try {
        destinations.Load(CFilePath(path));
        return true;
    } catch (...) {
        return false;
    }
}

std::vector<std::string> RootFileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The installation profiles among the root files of folder (SETUP.INI first).
std::vector<std::string> ProfilesIn(const std::string& folder) {
    std::vector<std::string> profiles;
    for (const std::string& name : RootFileNames(folder)) {
        const std::string path = (fs::path(folder) / name).string();
        if (HasExtension(name, ".INI") && IsInstallProfile(path))
            profiles.push_back(path);
    }
    std::stable_partition(profiles.begin(), profiles.end(), [](const std::string& p) {
        return FoldCase(fs::path(p).filename().string()) == "SETUP.INI";
    });
    return profiles;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw CDistributionError(path + ": cannot be written");
}

// Writes one file of an image with the time (read as UTC) and attributes it has there, so
// that a plain distribution file copied from it carries them on.
void UnpackFile(const CFatImage& image, const FatDirEntry& entry, const std::string& path) {
    WriteFile(path, image.ReadFile(entry));
    CFileStatusInfo status;
    status.modifyTime = FromDosDateTime(entry.date, entry.time);
    status.attributes = entry.attributes & CFileStatusInfo::kSettable;
    CFilePath(path).ApplyFileStatus(status);
}

// Unpacks the root files of the image at imagePath into folder; returns its label.
// Every problem of the image is reported with the image's path.
std::string UnpackImage(const std::string& imagePath, const std::string& folder) {
    try {
        const CFatImage image = CFatImage::Load(imagePath);
        fs::create_directories(folder);
        for (const FatDirEntry& entry : image.ListAll())
            if (!entry.IsDirectory() && entry.path == entry.name &&
                UnsafeComponentReason(entry.name).empty())
                UnpackFile(image, entry, (fs::path(folder) / entry.name).string());
        return image.VolumeLabel();
    } catch (const CFatImageException& e) {
        throw CDistributionError(imagePath + ": " + e.what());
    }
}

// A folder name ending in two digits that read as a number other than 0 (DISK01): the
// folder of diskette n has those digits replaced by n ("%02d"), as the setup looks for it.
std::string NumberedSibling(const fs::path& folder, std::int32_t n) {
    const std::string name = folder.filename().string();
    if (name.size() <= 2 || !std::isdigit(static_cast<unsigned char>(name[name.size() - 1])) ||
        !std::isdigit(static_cast<unsigned char>(name[name.size() - 2])) ||
        name.compare(name.size() - 2, 2, "00") == 0)
        return {};
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", static_cast<int>(n));
    return (folder.parent_path() / (name.substr(0, name.size() - 2) + digits)).string();
}

// The number of a folder named DISKnn (any case, two or more digits), or 0.
std::int32_t DiskFolderNumber(const std::string& name) {
    const std::string upper = FoldCase(name);
    if (upper.size() < 6 || upper.size() > 8 || upper.compare(0, 4, "DISK") != 0)
        return 0;
    if (!std::all_of(upper.begin() + 4, upper.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return 0;
    return static_cast<std::int32_t>(std::stol(upper.substr(4)));
}

std::int32_t ChooseByLabel(const DisketteCandidate& candidate, const DisketteExpectations& expected,
                           const std::vector<std::int32_t>& among) {
    if (candidate.volumeLabel.empty())
        return 0;
    std::vector<std::int32_t> matches;
    for (const auto& [number, label] : expected.labels)
        if (ToVolumeLabel(label) == candidate.volumeLabel &&
            (among.empty() || std::count(among.begin(), among.end(), number) != 0))
            matches.push_back(number);
    return matches.size() == 1 ? matches[0] : 0;
}

std::int32_t NumberOne(const DisketteCandidate& candidate, const DisketteExpectations& expected) {
    std::map<std::int32_t, int> votes;
    for (const std::string& file : candidate.fileNames) {
        const std::string upper = FoldCase(file);
        const auto range = expected.diskOfFile.equal_range(upper);
        for (auto it = range.first; it != range.second; ++it)
            ++votes[it->second];
        if (!expected.profileName.empty() && upper == expected.profileName)
            ++votes[1];
    }
    int best = 0;
    std::vector<std::int32_t> leaders;
    for (const auto& [number, count] : votes) {
        if (count > best) {
            best = count;
            leaders.clear();
        }
        if (count == best)
            leaders.push_back(number);
    }
    if (leaders.size() == 1)
        return leaders[0];
    const std::int32_t byLabel = ChooseByLabel(candidate, expected, leaders);
    if (byLabel != 0)
        return byLabel;
    std::string why = leaders.empty() ? "neither its files nor its label match the profile"
                                      : "its files fit diskettes " + std::to_string(leaders[0]) +
                                            " and " + std::to_string(leaders[1]);
    throw CDistributionError(candidate.shownName + ": cannot tell which diskette this is (" + why +
                             ")");
}

// The diskette images (.img .ima .vfd .flp) in a folder that holds neither DISKnn folders nor
// a profile: a folder of images stands for the images.
std::vector<std::string> ImagesInFolder(const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || !ProfilesIn(folder).empty())
        return {};
    std::vector<std::string> images;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec) && DiskFolderNumber(name) > 0)
            return {};
        if (entry.is_regular_file(ec) &&
            (HasExtension(name, ".IMG") || HasExtension(name, ".IMA") ||
             HasExtension(name, ".VFD") || HasExtension(name, ".FLP")))
            images.push_back(entry.path().string());
    }
    std::sort(images.begin(), images.end());
    return images;
}

} // namespace

CScratchFolder::CScratchFolder() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int i = 0; i < 100 && m_path.empty(); ++i) {
        const fs::path candidate = base / ("setupkit-dist-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec))
            m_path = candidate.string();
    }
    if (m_path.empty())
        throw CDistributionError("cannot create a scratch folder in " + base.string());
}

CScratchFolder::~CScratchFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<std::int32_t> NumberDiskettes(const std::vector<DisketteCandidate>& candidates,
                                          const DisketteExpectations& expected) {
    std::vector<std::int32_t> numbers;
    std::map<std::int32_t, std::size_t> owner;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::int32_t number = NumberOne(candidates[i], expected);
        const auto [it, fresh] = owner.emplace(number, i);
        if (!fresh)
            throw CDistributionError(candidates[it->second].shownName + " and " +
                                     candidates[i].shownName + " both look like diskette " +
                                     std::to_string(number));
        numbers.push_back(number);
    }
    return numbers;
}

std::string FindInFolder(const std::string& folder, const std::string& name) {
    std::error_code ec;
    const fs::path exact = fs::path(folder) / name;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    const std::string wanted = FoldCase(name);
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (FoldCase(entry.path().filename().string()) == wanted && entry.is_regular_file(ec))
            return entry.path().string();
    return {};
}

std::unique_ptr<CDisketteSet> CDisketteSet::Open(const std::vector<std::string>& inputs,
                                                 const std::string& profile) {
    if (inputs.empty())
        throw CDistributionError("no diskette folder or image given");
    std::unique_ptr<CDisketteSet> set(new CDisketteSet());
    std::error_code ec;
    const std::vector<std::string> images =
        inputs.size() == 1 ? ImagesInFolder(inputs[0]) : std::vector<std::string>();
    if (!images.empty())
        set->OpenCandidates(images, profile);
    else if (inputs.size() == 1 && fs::is_directory(inputs[0], ec))
        set->OpenFolder(inputs[0]);
    else
        set->OpenCandidates(inputs, profile);
    // Absolute: the platform's profile functions look for a relative name elsewhere.
    set->m_profile =
        fs::absolute(profile.empty() ? set->FindProfileOnFirstDiskette() : profile).string();
    if (!fs::is_regular_file(set->m_profile, ec))
        throw CDistributionError(set->m_profile + ": the profile cannot be found");
    return set;
}

void CDisketteSet::OpenFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::int32_t number = DiskFolderNumber(entry.path().filename().string());
        if (number > 0 && entry.is_directory(ec)) {
            m_folders[number] = fs::absolute(entry.path()).string();
            m_shownNames[number] = entry.path().string();
        }
    }
    if (!m_folders.empty())
        return;
    const fs::path path = fs::absolute(fs::path(folder)).lexically_normal();
    const fs::path first = path.has_filename() ? path : path.parent_path();
    m_fallbackFolder = first.string();
    m_folders[1] = first.string();
    m_shownNames[1] = folder;
    for (std::int32_t n = 2; n <= 99; ++n) {
        const std::string sibling = NumberedSibling(first, n);
        if (!sibling.empty() && fs::is_directory(sibling, ec)) {
            m_folders[n] = sibling;
            m_shownNames[n] = sibling;
        }
    }
}

namespace {

DisketteExpectations ExpectationsOf(const std::string& profile, std::size_t diskettes) {
    const CFixedSystemFolders machine;
    ProfileCollections collections(machine);
    try {
        LoadProfile(collections, CFilePath(profile));
    } catch (...) {
        throw CDistributionError(profile + ": not a readable installation profile");
    }
    DisketteExpectations expected;
    expected.profileName = FoldCase(fs::path(profile).filename().string());
    for (const ArchiveRecordInfo& record : collections.archives.Records()) {
        expected.diskOfFile.emplace(FoldCase(record.fileName), record.diskNumber);
        if (record.kind != kArchiveKindMultiFile)
            continue;
        std::string volume = record.fileName;
        for (std::size_t k = 1; k < diskettes; ++k) {
            volume = CMultiFile::NextVolumeName(volume);
            if (volume.empty())
                break;
            expected.diskOfFile.emplace(FoldCase(volume),
                                        record.diskNumber + static_cast<std::int32_t>(k));
        }
    }
    for (std::int32_t n = 0; n < static_cast<std::int32_t>(collections.diskettes.Size()); ++n)
        if (const std::string* label = collections.diskettes.LabelOf(n))
            expected.labels[n] = *label;
    return expected;
}

// The one profile among the candidates' folders; throws when there is none or several.
std::string ProfileAmong(const std::vector<DisketteCandidate>& candidates,
                         const std::vector<std::string>& folders) {
    std::string found;
    std::string foundOn;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::vector<std::string> profiles = ProfilesIn(folders[i]);
        if (profiles.empty())
            continue;
        if (!found.empty())
            throw CDistributionError("installation profiles on both " + foundOn + " and " +
                                     candidates[i].shownName + "; name the one to use");
        found = profiles[0];
        foundOn = candidates[i].shownName;
    }
    if (found.empty())
        throw CDistributionError(
            "no installation profile (an INI file with a \"destinations\" section) on any "
            "of the diskettes");
    return found;
}

} // namespace

void CDisketteSet::OpenCandidates(const std::vector<std::string>& inputs,
                                  const std::string& profile) {
    std::vector<DisketteCandidate> candidates;
    std::vector<std::string> folders;
    std::string givenProfile = profile;
    std::error_code ec;
    for (const std::string& input : inputs) {
        DisketteCandidate candidate;
        candidate.shownName = input;
        if (fs::is_directory(input, ec)) {
            folders.push_back(fs::absolute(input).string());
        } else if (HasExtension(input, ".INI") && givenProfile.empty()) {
            givenProfile = input;
            continue;
        } else {
            if (!m_scratch)
                m_scratch = std::make_unique<CScratchFolder>();
            folders.push_back(
                (fs::path(m_scratch->Path()) / ("image" + std::to_string(folders.size())))
                    .string());
            candidate.volumeLabel = UnpackImage(input, folders.back());
        }
        candidate.fileNames = RootFileNames(folders.back());
        candidates.push_back(candidate);
    }
    const std::string profilePath =
        fs::absolute(givenProfile.empty() ? ProfileAmong(candidates, folders) : givenProfile)
            .string();
    const std::vector<std::int32_t> numbers =
        NumberDiskettes(candidates, ExpectationsOf(profilePath, candidates.size() + 1));
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        m_folders[numbers[i]] = folders[i];
        m_shownNames[numbers[i]] = candidates[i].shownName;
    }
    m_profile = profilePath;
}

std::string CDisketteSet::FindProfileOnFirstDiskette() const {
    if (!m_profile.empty())
        return m_profile;
    const auto first = m_folders.find(1);
    if (first == m_folders.end())
        throw CDistributionError("diskette 1 is missing, and with it the profile");
    const std::vector<std::string> profiles = ProfilesIn(first->second);
    if (profiles.empty())
        throw CDistributionError(
            m_shownNames.at(1) +
            ": no installation profile (an INI file with a \"destinations\" section)");
    return profiles[0];
}

std::string CDisketteSet::FindFile(const std::string& fileName, std::int32_t number) const {
    const auto folder = m_folders.find(number);
    if (folder != m_folders.end()) {
        const std::string path = FindInFolder(folder->second, fileName);
        if (!path.empty())
            return path;
    }
    return m_fallbackFolder.empty() ? std::string() : FindInFolder(m_fallbackFolder, fileName);
}

std::string CDisketteSet::DisketteName(std::int32_t number) const {
    const auto shown = m_shownNames.find(number);
    return shown != m_shownNames.end() ? shown->second : "diskette " + std::to_string(number);
}

std::vector<std::int32_t> CDisketteSet::Numbers() const {
    std::vector<std::int32_t> numbers;
    for (const auto& entry : m_folders)
        numbers.push_back(entry.first);
    return numbers;
}
