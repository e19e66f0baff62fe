#include "ArchiveJson.h"

#include "JsonText.h"

#include "archive/MemberName.h"

#include <ctime>

std::string ArchiveMethodName(std::int32_t method) {
    switch (method) {
    case 2:
        return "stored";
    case 3:
        return "lh5";
    case 4:
        return "zlib";
    default:
        return "m" + std::to_string(method);
    }
}

std::string FormatUtcTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    const std::tm* tm = std::gmtime(&t);
    if (tm == nullptr)
        return "-";
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", tm);
    return buffer;
}

void WriteArchiveJson(const std::string& archive, const std::vector<EntryHeader>& members,
                      std::ostream& out) {
    CJsonWriter json(out);
    json.BeginObject();
    json.Field("archive", archive);
    json.BeginArray("members");
    for (const EntryHeader& h : members) {
        const std::string stored = h.GetName();
        json.BeginObject();
        json.Field("storedName", stored);
        json.Field("name", FinalComponent(stored));
        json.Field("method", ArchiveMethodName(h.method));
        json.Number("expandedSize", h.expandedSize);
        json.Number("compressedSize", h.compressedSize);
        json.Number("checksum", h.checksum);
        json.Number("destination", h.destinationId);
        json.Number("attributes", h.attributes & 0xFF);
        json.Field("modified", FormatUtcTime(h.modifyTime));
        json.Bool("continued", h.continued != 0);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}
