// The splash picture of the real setup program under Wine: pictures of 4, 8 and 24 bits per
// pixel compared pixel by pixel with what the test wrote, a missing and an unreadable picture
// file, and the background gradient behind the first page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;

struct Rgb {
    int red;
    int green;
    int blue;
    bool operator==(const Rgb& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

// A picture of width x height: its pixel colours, and how it is stored in the file.
struct Picture {
    int width;
    int height;
    int bitCount;
    std::vector<Rgb> palette; // the colour table (empty at 24 bits)
    std::vector<int> indices; // per pixel, top row first: palette index (palette pictures)
    std::vector<Rgb> pixels;  // per pixel, top row first: the colour
};

// Palette entries that differ in every channel, so a wrong index shows.
Rgb PaletteColour(int i, int count) {
    return {(i * 255) / (count - 1), 255 - (i * 97) % 256, (i * 53 + 20) % 256};
}

Picture MakePalettePicture(int width, int height, int bitCount) {
    const int count = 1 << bitCount;
    Picture picture{width, height, bitCount, {}, {}, {}};
    for (int i = 0; i < count; ++i) {
        picture.palette.push_back(PaletteColour(i, count));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int index = (x * 7 + y * 3) % count;
            picture.indices.push_back(index);
            picture.pixels.push_back(picture.palette[index]);
        }
    }
    return picture;
}

Picture MakeTrueColourPicture(int width, int height) {
    Picture picture{width, height, 24, {}, {}, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back({(x * 6) % 256, (y * 5) % 256, (x * y) % 256});
        }
    }
    return picture;
}

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
}

// One pixel row as stored: bottom row first in the file, padded to 4 bytes.
std::string StoredRow(const Picture& picture, int y) {
    std::string row;
    const int first = y * picture.width;
    if (picture.bitCount == 24) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb& c = picture.pixels[first + x];
            row +=
                {static_cast<char>(c.blue), static_cast<char>(c.green), static_cast<char>(c.red)};
        }
    } else if (picture.bitCount == 8) {
        for (int x = 0; x < picture.width; ++x) {
            row.push_back(static_cast<char>(picture.indices[first + x]));
        }
    } else {
        for (int x = 0; x < picture.width; x += 2) {
            const int high = picture.indices[first + x];
            const int low = x + 1 < picture.width ? picture.indices[first + x + 1] : 0;
            row.push_back(static_cast<char>(high << 4 | low));
        }
    }
    row.resize((row.size() + 3) / 4 * 4, '\0');
    return row;
}

void WriteBitmapFile(const std::string& path, const Picture& picture) {
    std::string pixels;
    for (int y = picture.height - 1; y >= 0; --y) {
        pixels += StoredRow(picture, y);
    }
    const std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(picture.palette.size());
    std::string file = "BM";
    Put(file, offset + static_cast<std::uint32_t>(pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, offset, 4);
    Put(file, 40, 4);
    Put(file, static_cast<std::uint32_t>(picture.width), 4);
    Put(file, static_cast<std::uint32_t>(picture.height), 4);
    Put(file, 1, 2);
    Put(file, static_cast<std::uint32_t>(picture.bitCount), 2);
    Put(file, 0, 4); // uncompressed
    Put(file, 0, 4); // image size 0: the reader computes it
    Put(file, 2835, 4);
    Put(file, 2835, 4);
    Put(file, 0, 4); // colours used 0: all entries of the bit count
    Put(file, 0, 4);
    for (const Rgb& c : picture.palette) {
        file +=
            {static_cast<char>(c.blue), static_cast<char>(c.green), static_cast<char>(c.red), '\0'};
    }
    file += pixels;
    std::ofstream out(path, std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
}

// The program's background window (the frame window class of the main window).
HWND FindMainWindow(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            char className[32] = {};
            ::GetClassNameA(window, className, sizeof(className));
            if (owner == s->processId && std::string(className) == "SetupMainWnd") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A distribution directory with the setup program and a profile naming a splash picture.
class SplashProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("spl");
        ASSERT_FALSE(m_dir.empty());
        m_program = m_dir + "\\setup.exe";
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(), m_program.c_str(), FALSE));
        std::ofstream out(m_dir + "\\setup.ini", std::ios::binary);
        out << "[general]\r\nApp Title=Splash App\r\nApp Setup=Splash App Setup\r\n"
            << "PM Group=Splash\r\nSplash Path=A:\\ART\\LOGO.BMP\r\n"
            << "[destinations]\r\n0=SPLASH|-1|\r\n";
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        for (const char* file : {"setup.exe", "setup.ini", "LOGO.BMP", "install.log"}) {
            ::DeleteFileA((m_dir + "\\" + file).c_str());
        }
        ::RemoveDirectoryA(m_dir.c_str());
    }

    std::string PicturePath() const { return m_dir + "\\LOGO.BMP"; }

    void Start() { ASSERT_TRUE(m_process.Start(m_program, "", m_dir)); }

    HWND WaitForPage(int id) {
        if (!gui::WaitForCurrentDialog(m_process.GetId(), id, kTimeoutMs)) {
            ADD_FAILURE() << "page " << id << " did not appear; current "
                          << gui::CurrentDialogId(m_process.GetId());
            return nullptr;
        }
        return gui::FindDialog(m_process.GetId(), id);
    }

    // Shows the picture as the splash and compares the screen with it pixel by pixel.
    void ExpectSplashShows(const Picture& picture, const std::string& name) {
        WriteBitmapFile(PicturePath(), picture);
        Start();
        HWND splash = WaitForPage(IDD_SPLASH);
        ASSERT_NE(splash, nullptr);
        std::vector<unsigned char> rgb;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(gui::CaptureWindow(splash, rgb, width, height));
        EXPECT_TRUE(gui::SaveWindowPng(splash, gui::ScreenshotPath("splash-" + name)));
        ASSERT_EQ(width, picture.width);
        ASSERT_EQ(height, picture.height);
        int wrong = 0;
        for (int i = 0; i < width * height; ++i) {
            const Rgb seen{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
            if (!(seen == picture.pixels[i]) && ++wrong <= 5) {
                ADD_FAILURE() << name << ": pixel " << i % width << "," << i / width << " is "
                              << seen.red << "/" << seen.green << "/" << seen.blue
                              << ", the picture has " << picture.pixels[i].red << "/"
                              << picture.pixels[i].green << "/" << picture.pixels[i].blue;
            }
        }
        EXPECT_EQ(wrong, 0) << name;
        ASSERT_NE(WaitForPage(IDD_WELCOME), nullptr);
        EXPECT_TRUE(gui::WaitForWindowGone(splash, kTimeoutMs));
    }

    std::string m_dir;
    std::string m_program;
    gui::CTestProcess m_process;
};

TEST_F(SplashProgramTest, FourBitPictureShowsItsOwnColours) {
    // 37 pixels: rows of 19 bytes padded to 20, and a last half byte.
    ExpectSplashShows(MakePalettePicture(37, 23, 4), "4bit");
}

TEST_F(SplashProgramTest, EightBitPictureShowsItsOwnColours) {
    ExpectSplashShows(MakePalettePicture(50, 30, 8), "8bit");
}

TEST_F(SplashProgramTest, TwentyFourBitPictureShowsItsColours) {
    ExpectSplashShows(MakeTrueColourPicture(41, 27), "24bit");
}

TEST_F(SplashProgramTest, MissingPictureShowsNothingForFiveSecondsThenTheWizard) {
    Start();
    HWND splash = WaitForPage(IDD_SPLASH);
    ASSERT_NE(splash, nullptr);
    const DWORD shown = ::GetTickCount();
    // Without a picture the splash has no size: nothing unpainted appears.
    RECT rect{};
    ::GetWindowRect(splash, &rect);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    ASSERT_NE(WaitForPage(IDD_WELCOME), nullptr);
    const DWORD waited = ::GetTickCount() - shown;
    EXPECT_GE(waited, 4500u);
    EXPECT_LT(waited, 15000u);
}

TEST_F(SplashProgramTest, UnopenablePictureIsReportedAndTheRunEndsCleanly) {
    WriteBitmapFile(PicturePath(), MakeTrueColourPicture(8, 8));
    // Held open without sharing: the program sees the file but cannot open it.
    HANDLE held = ::CreateFileA(PicturePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Start();
    HWND box = gui::WaitForMessageBox(m_process.GetId(), kTimeoutMs);
    ::CloseHandle(held);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gui::MessageBoxText(box), "File Not Found!");
    EXPECT_EQ(gui::WindowText(box), "Error");
    EXPECT_TRUE(gui::SaveWindowPng(box, gui::ScreenshotPath("splash-file-not-found")));
    ASSERT_TRUE(gui::PressButton(box, IDOK));

    // No splash: the wizard starts at once, and a cancelled run ends.
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_SPLASH), nullptr);
    ASSERT_TRUE(gui::PressButton(welcome, IDCANCEL));
    HWND question = gui::WaitForMessageBox(m_process.GetId(), kTimeoutMs);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(gui::PressButton(question, IDYES));
    HWND notComplete = WaitForPage(IDD_NOT_COMPLETE);
    ASSERT_NE(notComplete, nullptr);
    ASSERT_TRUE(gui::PressButton(notComplete, IDOK));
    EXPECT_TRUE(m_process.Wait(kTimeoutMs));
}

TEST_F(SplashProgramTest, UnattendedRunPassesOverAnUnopenablePictureWithoutABox) {
    // Without destinations the unattended run ends by itself on page 116 after the splash.
    {
        std::ofstream out(m_dir + "\\setup.ini", std::ios::binary | std::ios::trunc);
        out << "[general]\r\nApp Title=Splash App\r\nSplash Path=LOGO.BMP\r\n";
    }
    WriteBitmapFile(PicturePath(), MakeTrueColourPicture(8, 8));
    HANDLE held = ::CreateFileA(PicturePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(m_process.Start(m_program, "/B", m_dir));
    DWORD exitCode = 0;
    const bool ended = m_process.Wait(kTimeoutMs, &exitCode);
    ::CloseHandle(held);
    ASSERT_TRUE(ended) << "the run waited for somebody";
    EXPECT_EQ(exitCode, 1603u);
    std::ifstream log(m_dir + "\\install.log", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    const std::string event =
        "Unattended: started without the splash picture, which cannot be read: ";
    const std::string::size_type at = text.find(event);
    ASSERT_NE(at, std::string::npos) << text;
    std::string line = text.substr(at, text.find('\n', at) - at);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    EXPECT_EQ(line.substr(line.size() - 9), "\\LOGO.BMP") << line;
}

TEST_F(SplashProgramTest, BackgroundRunsFromBlueAtTheTopToNearBlackAtTheBottom) {
    WriteBitmapFile(PicturePath(), MakeTrueColourPicture(16, 16));
    Start();
    ASSERT_NE(WaitForPage(IDD_WELCOME), nullptr);
    HWND main = FindMainWindow(m_process.GetId());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(gui::SaveWindowPng(main, gui::ScreenshotPath("splash-background")));
    RECT client{};
    ::GetClientRect(main, &client);
    ASSERT_GT(client.bottom, 100);
    // Sampled at the right edge, away from the title text and the centred page.
    const int x = client.right - 3;
    COLORREF top = 0;
    COLORREF bottom = 0;
    ASSERT_TRUE(gui::ScreenPixel(main, x, 0, top));
    ASSERT_TRUE(gui::ScreenPixel(main, x, client.bottom - 1, bottom));
    EXPECT_EQ(GetRValue(top), 0);
    EXPECT_EQ(GetGValue(top), 0);
    EXPECT_GE(GetBValue(top), 250);
    EXPECT_LE(GetRValue(bottom), 8);
    EXPECT_LE(GetGValue(bottom), 8);
    EXPECT_LE(GetBValue(bottom), 8);
}

} // namespace
