#include "ProfileText.h"

#include <sstream>

namespace {

void Section(std::ostringstream& out, const std::string& name) {
    if (out.tellp() > 0)
        out << "\r\n";
    out << "[" << name << "]\r\n";
}

void Line(std::ostringstream& out, const std::string& key, const std::string& value) {
    out << key << "=" << value << "\r\n";
}

} // namespace

std::string DefaultDisketteLabel(const Description& d, int number) {
    std::string title = d.General("App Title");
    std::string label = "Disk " + std::to_string(number);
    return title.empty() ? label : title + " " + label;
}

std::string ProfileText(const Description& d, const std::vector<ArchivePlacement>& archives,
                        int disketteCount) {
    std::ostringstream out;
    Section(out, "general");
    // An empty value would hide the setup program's default ("MISSING ..."), so only the
    // keys that have one are written.
    for (const auto& [key, value] : d.general)
        if (!value.empty())
            Line(out, key, value);

    Section(out, "destinations");
    for (const DescDestination& dest : d.destinations)
        Line(out, std::to_string(dest.id),
             dest.relativePath + "|" + std::to_string(dest.parent) + "|");

    Section(out, "groups");
    for (const DescComponent& c : d.components)
        Line(out, c.key,
             c.text1 + "|" + c.description + "|" + std::to_string(c.typeFlags[0]) + "|" +
                 std::to_string(c.typeFlags[1]) + "|" + std::to_string(c.typeFlags[2]));

    if (!d.targets.empty()) {
        Section(out, "targets");
        for (const DescRecord& t : d.targets)
            Line(out, t.key, t.value);
    }

    for (const ArchivePlacement& a : archives) {
        Section(out, a.component->key);
        int disk = a.volumes > 1 ? -a.firstDisk : a.firstDisk;
        Line(out, a.name,
             std::to_string(a.expandedBytes) + "|1|" + std::to_string(a.fileCount) + "|" +
                 std::to_string(disk) + "|0|" + a.component->text1);
    }

    Section(out, "diskettes");
    for (int n = 1; n <= disketteCount; ++n) {
        auto given = d.diskettes.find(n);
        Line(out, std::to_string(n),
             given != d.diskettes.end() ? given->second : DefaultDisketteLabel(d, n) + "|");
    }

    if (!d.selfRegister.empty()) {
        Section(out, "SelfRegisterDLLs");
        for (const DescRecord& r : d.selfRegister)
            Line(out, r.key, r.value);
    }
    return out.str();
}
