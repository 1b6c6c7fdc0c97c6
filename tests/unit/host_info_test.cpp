#include "kavro/host_info.hpp"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <vector>

#include "tests/support/x_server.hpp"

namespace kavro {
namespace {

TEST(ComputerInfo, NameIsTheHostNameAndLocalAddressIsEmpty) {
    utsname system{};
    ASSERT_EQ(::uname(&system), 0);
    EXPECT_EQ(computerName(), system.nodename);
    EXPECT_EQ(localAddress(), "");
}

struct ResolveCase {
    const char* name;
    std::string host;
    std::string expected;  // "" for a name that does not resolve
};

class ResolveCases : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveCases, FirstIPv4AddressAsDottedText) {
    EXPECT_EQ(hostIP(GetParam().host), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    NameResolution, ResolveCases,
    testing::Values(ResolveCase{"CanonicalDottedAddress", "127.0.0.1", "127.0.0.1"},
                    ResolveCase{"OtherLoopbackAddress", "127.3.4.5", "127.3.4.5"},
                    ResolveCase{"ShortDottedForm", "127.1", "127.0.0.1"},
                    ResolveCase{"LoopbackName", "localhost", "127.0.0.1"},
                    ResolveCase{"NameThatDoesNotResolve", "no-such-host.invalid", ""},
                    ResolveCase{"ZeroByteInName", std::string("localhost\0.invalid", 18), ""}),
    [](const auto& c) { return c.param.name; });

TEST(NameResolution, EmptyNameIsThisComputer) {
    const std::optional<std::string> self = resolveHostAddress(computerName());
    ASSERT_TRUE(self.has_value()) << "this computer's own name does not resolve";
    EXPECT_EQ(resolveHostAddress(""), self);
}

// A resolver that answers from a table and counts what it was asked.
struct FakeResolver {
    std::vector<std::string> asked;
    AddressResolver function() {
        return [this](std::string_view name) -> std::optional<std::string> {
            asked.emplace_back(name);
            if (name == "server-1") return "10.1.2.3";
            return std::nullopt;
        };
    }
};

TEST(ServerAddress, KnownAddressOrMissingNameChangesNothing) {
    const ServerFields unchanged[] = {
        {"not an address", "server-1", false},
        {"10.9.9.9", "server-1", true},
        {"", "", true},
        {"", "", false},
    };
    for (const ServerFields& start : unchanged) {
        FakeResolver resolver;
        ServerFields server = start;
        EXPECT_FALSE(getServerIP(server, resolver.function()));
        EXPECT_EQ(server.address, start.address);
        EXPECT_EQ(server.resolved, start.resolved);
        EXPECT_TRUE(resolver.asked.empty());
    }
}

TEST(ServerAddress, ResolvesTheName) {
    FakeResolver resolver;
    ServerFields server{"", "server-1", false};
    EXPECT_TRUE(getServerIP(server, resolver.function()));
    EXPECT_EQ(server.address, "10.1.2.3");
    EXPECT_TRUE(server.resolved);
    EXPECT_EQ(resolver.asked, std::vector<std::string>{"server-1"});
}

TEST(ServerAddress, FailureClearsTheFlagAndTheNextCallTriesAgain) {
    FakeResolver resolver;
    ServerFields server{"", "server-2", true};
    EXPECT_TRUE(getServerIP(server, resolver.function()));
    EXPECT_FALSE(server.resolved);
    EXPECT_EQ(server.address, "");
    EXPECT_TRUE(getServerIP(server, resolver.function()));
    EXPECT_EQ(resolver.asked.size(), 2u);
}

TEST(ServerAddress, RealResolverOnLoopback) {
    ServerFields server{"", "localhost", false};
    EXPECT_TRUE(getServerIP(server));
    EXPECT_EQ(server.address, "127.0.0.1");
    EXPECT_TRUE(server.resolved);
}

TEST(SystemInfo, MemoryInMiBRoundedDownAndCapped) {
    EXPECT_EQ(memoryMiB(0), 0);
    EXPECT_EQ(memoryMiB((1u << 20) - 1), 0);
    EXPECT_EQ(memoryMiB(536346624), 511);  // 512 MiB less 512 KiB
    EXPECT_EQ(memoryMiB(std::uint64_t{4} << 30), 4096);
    EXPECT_EQ(memoryMiB((std::uint64_t{64} << 30) - 1), 65535);
    EXPECT_EQ(memoryMiB(std::uint64_t{64} << 30), 65535);  // would wrap to 0 in 16 bits
    EXPECT_EQ(memoryMiB(std::uint64_t{1} << 40), 65535);
}

TEST(SystemInfo, DisplayFlagWantsExactly1024x768At16Or32Bits) {
    struct Mode {
        std::uint16_t width, height, bits;
        bool expected;
    };
    for (const Mode& m :
         {Mode{1024, 768, 16, true}, Mode{1024, 768, 32, true}, Mode{1024, 768, 24, false},
          Mode{1024, 768, 8, false}, Mode{1280, 1024, 32, false}, Mode{768, 1024, 32, false}}) {
        EXPECT_EQ(isDisplay1024x768(m.width, m.height, m.bits), m.expected)
            << m.width << "x" << m.height << "x" << m.bits;
    }
}

TEST(SystemInfo, RecordFromFacts) {
    PlatformFacts facts;
    facts.computerName = "guard-pc";
    facts.physicalMemoryBytes = 536346624;
    facts.fileListComplete = true;
    SystemInfo info = systemInfoFrom(facts);
    EXPECT_EQ(info.computerName, "guard-pc");
    EXPECT_EQ(info.localAddress, "");
    EXPECT_FALSE(info.isVersion5);
    EXPECT_EQ(info.memoryMB, 511);
    EXPECT_EQ(info.reserved, 0);
    EXPECT_TRUE(info.fileListComplete);
    // No display: zeros and false.
    EXPECT_EQ(info.bitsPerPixel, 0);
    EXPECT_EQ(info.screenWidth, 0);
    EXPECT_EQ(info.screenHeight, 0);
    EXPECT_FALSE(info.isDisplay1024x768);

    facts.display = DisplayMode{1024, 768, 32};
    info = systemInfoFrom(facts);
    EXPECT_TRUE(info.isDisplay1024x768);
    EXPECT_EQ(info.bitsPerPixel, 32);
    // Each display value is kept in 16 bits.
    facts.display = DisplayMode{0x10000 + 1024, 768, 32};
    EXPECT_EQ(systemInfoFrom(facts).screenWidth, 1024);
}

TEST(SystemInfo, WithoutADisplayTheDisplayFieldsAreZero) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    const SystemInfo info = initSystemInfo();
    EXPECT_EQ(info.computerName, computerName());
    EXPECT_GT(info.memoryMB, 0);
    EXPECT_EQ(info.screenWidth, 0);
    EXPECT_EQ(info.bitsPerPixel, 0);
    EXPECT_FALSE(info.isDisplay1024x768);
}

class SystemInfoDisplay : public test::XDisplayTest {
  protected:
    void SetUp() override {}
};

TEST_F(SystemInfoDisplay, ReadsTheDefaultScreensMode) {
    struct Screen {
        const char* geometry;
        std::uint16_t width, height, bits;
        bool is1024x768;
    };
    // Depth 24 is stored in 32 bits per pixel.
    for (const Screen& s :
         {Screen{"1024x768x24", 1024, 768, 32, true}, Screen{"1024x768x16", 1024, 768, 16, true},
          Screen{"1280x1024x24", 1280, 1024, 32, false},
          Screen{"1024x768x8", 1024, 768, 8, false}}) {
        startServer(s.geometry);
        if (IsSkipped() || HasFatalFailure()) return;
        const SystemInfo info = initSystemInfo();
        EXPECT_EQ(info.screenWidth, s.width) << s.geometry;
        EXPECT_EQ(info.screenHeight, s.height) << s.geometry;
        EXPECT_EQ(info.bitsPerPixel, s.bits) << s.geometry;
        EXPECT_EQ(info.isDisplay1024x768, s.is1024x768) << s.geometry;
    }
}

}  // namespace
}  // namespace kavro
