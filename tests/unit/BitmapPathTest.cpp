// The default bitmap path from a given executable path, in single- and double-byte code pages.
#include <gtest/gtest.h>

#include <string>

#include "TestApplication.h"
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

}  // namespace
