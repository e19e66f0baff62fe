#include "profile/ProfileCollections.h"

#include "profile/RecordSection.h"

void LoadProfile(ProfileCollections& collections, const CFilePath& file,
                 const std::function<void()>& pump) {
    const auto between = [&pump] {
        if (pump) {
            pump();
        }
    };
    collections.destinations.Load(file);
    between();
    collections.components.Load(file);
    between();
    collections.targets.Load(file);
    between();
    // Walks the components, so it must follow their loader.
    collections.archives.Load(file, collections.components);
    between();
    collections.diskettes.Load(file);
    between();
    collections.selfRegDlls.Load(file);
}

std::string FileRecordValue(std::int16_t destination, bool installed, bool replaced) {
    return std::to_string(destination) + (installed ? "|1" : "|0") + (replaced ? "|1" : "|0");
}

bool WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                     const std::string& fileName, std::int16_t destination, bool installed,
                     bool replaced) {
    return WriteRecord(log, componentKey, fileName,
                       FileRecordValue(destination, installed, replaced));
}

void WriteCollectionsToLog(const ProfileCollections& collections, const CFilePath& log) {
    collections.destinations.WriteToLog(log);
    collections.components.WriteToLog(log);
    collections.targets.WriteToLog(log);
}
