// kavro protocols, the table check's count of rows without codes, and the dome table that
// kavro dome reads by default, run as processes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using testing::HasSubstr;

class ToolProtocols : public testing::Test {
  protected:
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), test::toolPath());
        return test::runProcess(args);
    }
    test::TempDir dir;
};

TEST_F(ToolProtocols, ListsRowsBesideTheirLayouts) {
    const std::string db = dir.file("site.db");
    test::makeDatabase(db,
                       "CREATE TABLE Cameras (ID, Length, BaseAddress, Up, UpStop, Zoom, Name);"
                       "INSERT INTO Cameras VALUES (7, 7, 0, 1, 0, NULL, 'gate'),"
                       " (41, 8, 0, NULL, 0, NULL, NULL), (40, 0, 0, NULL, NULL, 5, NULL),"
                       " ('x', NULL, 0, NULL, NULL, NULL, NULL);");
    const auto r = run({"protocols", "--db", db, "--table", "Cameras"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "table Cameras of " + db +
                  ", against the decoder layouts\n"
                  "  ID Length Frame  Layout                                          Commands "
                  "with codes\n"
                  "   7      7     7  Pelco D: 0xFF sync, byte sum                    Up[Stop]\n"
                  "  41      8   own  0x82 or 0x83 lead, no address; 3, 4 or 8 bytes  UpStop\n"
                  "  40      0     -  no decoder layout: the frame goes out unset     Zoom\n"
                  "   ?      ?     -  no decoder layout: the frame goes out unset     none\n");
    const auto dome = run({"protocols", "--db", db, "--table", "Cameras", "--dome"});
    EXPECT_THAT(dome.out, HasSubstr("against the dome layouts\n"));
    EXPECT_THAT(dome.out, HasSubstr("   7      7     -  no dome layout"));
    EXPECT_EQ(run({"protocols", "extra"}).exitCode, 2);
}

TEST_F(ToolProtocols, TheBundledTablesSayWhichRowsHaveCodes) {
    const auto decoders = run({"protocols"});
    EXPECT_EQ(decoders.exitCode, 0) << decoders.err;
    EXPECT_THAT(decoders.out, HasSubstr("table Protocol of "));
    EXPECT_THAT(decoders.out, HasSubstr("\n  47      8     8  Pelco P shape"));
    const auto domes = run({"protocols", "--dome"});
    EXPECT_THAT(domes.out, HasSubstr("table DomeProtocol of "));
    EXPECT_THAT(domes.out, HasSubstr(" SetPreset ClearPreset GotoPreset SetAux ClearAux\n"));

    const auto check = run({"table", "check"});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_THAT(check.out, HasSubstr("\n46 of the 54 rows have no command code at all: no "
                                     "command is sent for their IDs"));
    const auto domeCheck = run({"table", "check", "--table", "DomeProtocol"});
    EXPECT_EQ(domeCheck.exitCode, 0) << domeCheck.out << domeCheck.err;
    EXPECT_THAT(domeCheck.out, HasSubstr(": 23 rows, no problems found\n16 of the 23 rows"));
}

TEST_F(ToolProtocols, DomeReadsTheBundledDomeTable) {
    auto r = run({"dome", "--protocol", "23", "--camera", "1", "--param", "5", "GotoPreset"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write FF 01 00 07 00 05 0D\n");
    // The bundled dome table has rows only for IDs with a dome layout.
    r = run({"dome", "--protocol", "7", "--camera", "1", "Up"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "kavro: protocol 7 has no row in table DomeProtocol\n");
}

}  // namespace
}  // namespace kavro
