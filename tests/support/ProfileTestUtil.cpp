#include "ProfileTestUtil.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::filesystem::path FixtureDirectory() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d = std::filesystem::current_path() / "ini-fixtures";
        std::filesystem::remove_all(d);
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

} // namespace

std::string FreshPath() {
    static int counter = 0;
    return (FixtureDirectory() / ("f" + std::to_string(++counter) + ".ini")).string();
}

std::string WriteFixture(const std::string& content) {
    const std::string path = FreshPath();
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
