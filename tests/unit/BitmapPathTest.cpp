// The default bitmap path from a given executable path, in single- and double-byte code pages; and the
// gallery of pointer pictures that ships beside the executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestApplication.h"
#include "framework/GdiObject.h"
#include "framework/Module.h"
#include "settings/BitmapPath.h"

namespace {

constexpr UINT kWesternEurope = 1252;
constexpr UINT kJapanese = 932;

struct DefaultPathCase {
    const char* name;
    UINT codePage;
    std::string executable;
    std::string expected;
};

// In code page 932, "\x95\x5C" is one character whose second byte has the value of a backslash.
const DefaultPathCase kDefaultPathCases[] = {
    {"Directory", kWesternEurope, "C:\\Tools\\app.exe", "C:\\Tools\\Tobrik.bmp"},
    {"RootDirectory", kWesternEurope, "D:\\app.exe", "D:\\Tobrik.bmp"},
    {"DoubledBackslashBeforeName", kWesternEurope, "C:\\Tools\\\\app.exe", "C:\\Tools\\Tobrik.bmp"},
    {"DoubledBackslashesInDirectory", kWesternEurope, "C:\\\\Tools\\\\Sub\\app.exe",
     "C:\\Tools\\Sub\\Tobrik.bmp"},
    {"ThreeBackslashesBecomeTwo", kWesternEurope, "C:\\Tools\\\\\\Sub\\app.exe",
     "C:\\Tools\\\\Sub\\Tobrik.bmp"},
    {"NetworkShareKeepsItsPrefix", kWesternEurope, "\\\\server\\share\\app.exe",
     "\\\\server\\share\\Tobrik.bmp"},
    {"DevicePathKeepsItsPrefix", kWesternEurope, "\\\\?\\C:\\Tools\\app.exe", "\\\\?\\C:\\Tools\\Tobrik.bmp"},
    {"TrailByteIsNoDirectorySeparator", kJapanese, "C:\\Tools\\x\x95\x5C.exe", "C:\\Tools\\Tobrik.bmp"},
    {"TrailByteBeforeSeparatorIsNotCollapsed", kJapanese, "C:\\\x95\x5C\\app.exe",
     "C:\\\x95\x5C\\Tobrik.bmp"},
    {"SameBytesInASingleByteCodePage", kWesternEurope, "C:\\Tools\\x\x95\x5C.exe",
     "C:\\Tools\\x\x95\\Tobrik.bmp"},
    {"LongPathIsNotCut", kWesternEurope, "C:\\" + std::string(300, 'd') + "\\app.exe",
     "C:\\" + std::string(300, 'd') + "\\Tobrik.bmp"},
};

class DefaultPathTest : public ::testing::TestWithParam<DefaultPathCase> {};

TEST_P(DefaultPathTest, IsTheExecutablesDirectoryWithTobrikBmp) {
    const DefaultPathCase& c = GetParam();
    EXPECT_EQ(c.expected, DefaultBitmapPathFor(c.executable, c.codePage));
}

INSTANTIATE_TEST_SUITE_P(Paths, DefaultPathTest, ::testing::ValuesIn(kDefaultPathCases),
                         [](const ::testing::TestParamInfo<DefaultPathCase>& info) {
                             return info.param.name;
                         });

TEST(ModuleFileNameTest, IsTheRunningExecutablesFullPath) {
    const std::string path = ModuleFileName();
    EXPECT_EQ(TestExecutablePath(), path);
    EXPECT_NE(std::string::npos, path.find("unit_tests.exe"));
}

// The pictures the packages ship (TOBRIK_POINTER_NAMES, comma-separated), in the folder beside the test
// executable where the build copies them as beside the program: a picture missing there fails its case.
std::vector<std::string> GalleryFiles() {
    const std::string path = TestExecutablePath();
    const std::string folder = path.substr(0, path.find_last_of('\\')) + "\\Pointers\\";
    std::vector<std::string> paths;
    const std::string names = TOBRIK_POINTER_NAMES;
    for (size_t start = 0, end = 0; !names.empty() && end != std::string::npos; start = end + 1) {
        end = names.find(',', start);
        paths.push_back(folder + names.substr(start, end - start));
    }
    return paths;
}

class GalleryTest : public ::testing::TestWithParam<std::string> {};

// Loaded as the overlay loads its bitmap, each picture has the size its name says, and the default colour key
// (black) at the centre pixel, where the real pointer clicks through, and in the corners; and shows
// something.
TEST_P(GalleryTest, WorksWithTheDefaultSettings) {
    const std::string& path = GetParam();
    const size_t sizeAt = path.find_last_of('-') + 1;
    const int size = std::stoi(path.substr(sizeAt, path.size() - sizeAt - 4));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(GetModuleHandleA(nullptr), path));
    BITMAP description{};
    ASSERT_NE(0, bitmap.GetBitmap(&description));
    EXPECT_EQ(size, description.bmWidth);
    EXPECT_EQ(size, description.bmHeight);

    constexpr COLORREF kDefaultColorKey = RGB(0, 0, 0);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // The overlay puts the pixel in column width / 2 and row height / 2 under the pointer.
    const LONG right = description.bmWidth - 1, bottom = description.bmHeight - 1;
    for (POINT at : {POINT{description.bmWidth / 2, description.bmHeight / 2}, POINT{0, 0}, POINT{right, 0},
                     POINT{0, bottom}, POINT{right, bottom}}) {
        EXPECT_EQ(kDefaultColorKey, GetPixel(memory, at.x, at.y)) << at.x << "," << at.y;
    }
    int shown = 0;
    for (int y = 0; y < description.bmHeight; y += 4) {
        for (int x = 0; x < description.bmWidth; x += 4) {
            shown += GetPixel(memory, x, y) != kDefaultColorKey;
        }
    }
    EXPECT_GT(shown, 0) << "nothing but the colour key";
    SelectObject(memory, previous);
    DeleteDC(memory);
}

INSTANTIATE_TEST_SUITE_P(Pointers, GalleryTest, ::testing::ValuesIn(GalleryFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(info.param.find_last_of('\\') + 1);
                             name.resize(name.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
