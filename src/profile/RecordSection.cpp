#include "profile/RecordSection.h"

#include "support/Profile.h"

int ForEachRecord(const CFilePath& file, const std::string& section, const RecordVisitor& visit) {
    CProfileSection keys(section);
    keys.SetFile(file);
    CProfileString entry;
    int count = 0;
    if (keys.First(entry)) {
        do {
            // Each key is read on its own: a value that cannot be read is empty rather than
            // the previous key's.
            entry.SetValue("");
            entry.Read();
            visit(entry.GetKey(), entry.GetValue());
            ++count;
        } while (keys.Next(entry));
    }
    return count;
}

bool WriteRecord(const CFilePath& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    CProfileString entry(value, section, key, file, false, false);
    return entry.Write();
}
