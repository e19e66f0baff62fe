#include "engine/ReplaceRules.h"

int DecideReplacement(const CReplaceFacts& present, const CReplaceFacts& newFile) {
    if (present.hasVersion && !newFile.hasVersion) {
        return 0;
    }
    if (newFile.hasVersion && !present.hasVersion) {
        return 1;
    }
    if (present.hasVersion) {
        return IsVersionNewer(newFile.version, present.version) ? 1 : 0;
    }
    return newFile.modifyTime > present.modifyTime ? 1 : 0;
}

#ifdef _WIN32
CReplaceFacts ReadReplaceFacts(const CFilePath& path) {
    CReplaceFacts facts;
    CFileVersion version;
    facts.hasVersion = version.Load(path) && version.GetFileVersion(facts.version);
    facts.modifyTime = path.GetModifyTime();
    return facts;
}

int ShouldReplace(const CFilePath& presentPath, const CFilePath& newPath) {
    return DecideReplacement(ReadReplaceFacts(presentPath), ReadReplaceFacts(newPath));
}
#endif
