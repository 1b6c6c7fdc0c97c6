// Computer name, addresses, system information and starting programs through the Windows calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>

#include "kavro/applications.hpp"
#include "kavro/host_info.hpp"
#include "kavro/kavro_public.h"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

TEST(WindowsHost, ComputerNameIsTheSystems) {
    char expected[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof expected;
    ASSERT_TRUE(GetComputerNameA(expected, &size));
    EXPECT_EQ(computerName(), std::string(expected, size));
    EXPECT_EQ(localAddress(), "");
}

TEST(WindowsHost, NamesResolveThroughWindowsSockets) {
    EXPECT_EQ(hostIP("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(hostIP("localhost"), "127.0.0.1");
    EXPECT_EQ(hostIP("no-such-host.invalid"), "");
    EXPECT_EQ(hostIP(std::string_view("a\0b", 3)), "");
    // The empty name is this computer: some address of it.
    EXPECT_NE(hostIP(""), "");
}

TEST(WindowsHost, SystemInfoFromTheWindowsCalls) {
    const PlatformFacts facts = readPlatformFacts();
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    EXPECT_EQ(facts.physicalMemoryBytes, memory.dwTotalPhys);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(facts.isVersion5, version.dwMajorVersion == 5);

    kavro_system_info info;
    std::memset(&info, 0, sizeof info);
    _InitSystemInfo(&info);
    EXPECT_EQ(info.MemoryMB, memoryMiB(memory.dwTotalPhys));
    EXPECT_EQ(kavro_string_data(info.ComputerName), computerName());
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
        EXPECT_EQ(info.ScreenWidth, mode.dmPelsWidth);
        EXPECT_EQ(info.ScreenHeight, mode.dmPelsHeight);
        EXPECT_EQ(info.BitsPerPixel, mode.dmBitsPerPel);
    }
    kavro_string_release(info.ComputerName);
    kavro_string_release(info.LocalAddress);
}

TEST(WindowsHost, StartsAProgramWithItsCommandLine) {
    // The line goes to the program as it is: cmd runs "echo" into a file of the test's.
    test::TempDir dir;
    const std::string out = dir.file("started.txt");
    const StartResult started = startApplication("cmd.exe /c echo started> \"" + out + "\"");
    ASSERT_TRUE(started.started) << started.error;
    EXPECT_GT(started.processId, 0);
    std::string text;
    for (int i = 0; i < 500 && text.rfind("started", 0) != 0; ++i) {
        Sleep(20);
        std::ifstream in(out);
        std::getline(in, text);
    }
    EXPECT_EQ(text.rfind("started", 0), 0u) << "the program did not run";

    const StartResult missing = startApplication("C:\\no\\such\\program.exe");
    EXPECT_FALSE(missing.started);
    EXPECT_NE(missing.error, 0);
    EXPECT_FALSE(startApplication("   ").started);
}

}  // namespace
}  // namespace kavro
