#include "kavro/name_lookup.hpp"

#include <gtest/gtest.h>

#include "kavro/host_error.hpp"
#include "tests/support/table_under_test.hpp"
#include "tests/unit/recording_record_set.hpp"

namespace kavro {
namespace {

using test::Backend;
using test::TableUnderTest;
using Rows = std::vector<std::vector<Variant>>;

class NameLookup : public testing::TestWithParam<Backend> {
  protected:
    test::TempDir dir;
};

TEST_P(NameLookup, FirstRowWhoseNameBeginsWithTheTextWins) {
    struct Case {
        const char* name;
        std::int32_t gateFirst;   // rows: Gate (3), Gate 2 (7), Lobby (0)
        std::int32_t gate2First;  // rows: Gate 2 (7), Gate (3), Lobby (0)
    };
    const Case cases[] = {
        {"Gate", 3, 7},   {"Gate 2", 7, 7}, {"gate", 0, 0},  // letter case counts
        {"Gat", 3, 7},    {"Gates", 0, 0},  {"", 3, 7},      // the empty name: the first row
        {"Lobby", 0, 0},                                     // an ID of 0 reads as no match
        {"Garage", 0, 0},
    };
    test::TempDir other;
    TableUnderTest gateFirst(GetParam(), dir, {"Name", "ID"},
                             Rows{{Variant("Gate"), Variant(3)},
                                  {Variant("Gate 2"), Variant(7)},
                                  {Variant("Lobby"), Variant(0)}});
    TableUnderTest gate2First(GetParam(), other, {"Name", "ID"},
                              Rows{{Variant("Gate 2"), Variant(7)},
                                   {Variant("Gate"), Variant(3)},
                                   {Variant("Lobby"), Variant(0)}});
    for (const Case& c : cases) {
        EXPECT_EQ(nameToId(gateFirst.set(), c.name), c.gateFirst) << c.name;
        EXPECT_EQ(nameToId(gate2First.set(), c.name), c.gate2First) << c.name;
    }
}

TEST_P(NameLookup, AMatchLeavesTheRecordSetOnItsRow) {
    TableUnderTest t(GetParam(), dir, {"Name", "ID"},
                     Rows{{Variant("Door"), Variant("12")}, {Variant("Gate"), Variant(9)}});
    EXPECT_EQ(nameToId(t.set(), "G"), 9);
    EXPECT_EQ(t.set().fieldByName("Name").asString(), "Gate");
    EXPECT_EQ(nameToId(t.set(), "Door"), 12);  // a numeric text ID converts
}

TEST_P(NameLookup, FailuresReachTheCaller) {
    struct Case {
        const char* what;
        std::vector<std::string> columns;
        Rows rows;
        HostErrorCode code;
    };
    const Case cases[] = {
        {"no Name field",
         {"Title", "ID"},
         {{Variant("Gate"), Variant(1)}},
         HostErrorCode::FieldNotFound},
        {"no ID field",
         {"Name", "Code"},
         {{Variant("Gate"), Variant(1)}},
         HostErrorCode::FieldNotFound},
        {"ID not a number",
         {"Name", "ID"},
         {{Variant("Gate"), Variant("three")}},
         HostErrorCode::NotANumber},
        {"ID empty", {"Name", "ID"}, {{Variant("Gate"), Variant()}}, HostErrorCode::EmptyValue},
        {"ID beyond 32 bits",
         {"Name", "ID"},
         {{Variant("Gate"), Variant(1LL << 40)}},
         HostErrorCode::Overflow},
    };
    for (const Case& c : cases) {
        test::TempDir own;
        TableUnderTest t(GetParam(), own, c.columns, c.rows);
        try {
            nameToId(t.set(), "Gate");
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const HostError& error) {
            EXPECT_EQ(error.code(), c.code) << c.what << ": " << error.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothRecordSets, NameLookup,
                         testing::Values(Backend::Memory, Backend::Sqlite), test::backendName);

TEST(NameLookupSteps, LocatesByPrefixWithLetterCaseThenReadsTheId) {
    test::RecordingRecordSet set({"Name", "ID"});
    set.inner().addRow({Variant("Gate"), Variant(3)});
    EXPECT_EQ(nameToId(set, "Ga"), 3);
    EXPECT_EQ(set.log, (std::vector<std::string>{"locate Name 'Ga' partial", "field ID"}));
    set.log.clear();
    EXPECT_EQ(nameToId(set, "Door"), 0);
    EXPECT_EQ(set.log, (std::vector<std::string>{"locate Name 'Door' partial"}));
}

}  // namespace
}  // namespace kavro
