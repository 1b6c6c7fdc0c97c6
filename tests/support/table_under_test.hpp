// One table, either a MemoryRecordSet or a table of a SQLite database file, so a behaviour of
// the library can be shown on both record sets with the same test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kavro/record_set.hpp"
#include "kavro/variant.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro::test {

enum class Backend { Memory, Sqlite };

// For INSTANTIATE_TEST_SUITE_P: "Memory", "Sqlite".
std::string backendName(const testing::TestParamInfo<Backend>& info);

class TableUnderTest {
  public:
    // A table "T" with the columns named (untyped in SQLite) holding the rows given, in order.
    TableUnderTest(Backend backend, const TempDir& dir, const std::vector<std::string>& columns,
                   const std::vector<std::vector<Variant>>& rows = {});
    ~TableUnderTest();

    RecordSet& set() { return *set_; }
    // What the table holds now; for SQLite read from the file through a connection of its own,
    // so a row counts only once it is in the database.
    std::size_t rowCount() const;
    Variant cell(std::size_t row, const std::string& column) const;
    // A date-time cell as the host's date-time: the stored real in memory, the stored ISO text
    // read back in SQLite (empty when SQLite's own date functions cannot read it).
    std::optional<HostDateTime> dateTime(std::size_t row, const std::string& column) const;

  private:
    Backend backend_;
    std::string path_;
    std::unique_ptr<RecordSet> set_;
};

}  // namespace kavro::test
