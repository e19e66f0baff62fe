// Stand-in for the removal helper that a removal run starts at its end. The tests put it
// into the system directory under the helper's name; it writes the command line it was
// started with into "removal-helper.txt" beside the profile named by its /PP: option.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string line = ::GetCommandLineA();
    std::string::size_type option = line.find("/PP:");
    if (option == std::string::npos) {
        return 2;
    }
    std::string profile = line.substr(option + 4);
    std::string::size_type slash = profile.find_last_of('\\');
    std::string record =
        (slash == std::string::npos ? std::string() : profile.substr(0, slash + 1)) +
        "removal-helper.txt";
    FILE* file = std::fopen(record.c_str(), "wb");
    if (file == nullptr) {
        return 1;
    }
    std::fputs(line.c_str(), file);
    std::fclose(file);
    return 0;
}
