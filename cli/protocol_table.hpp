// Opening the protocol table named on the command line, or the bundled default one.
#pragma once

#include <memory>
#include <string>

#include "cli/command.hpp"
#include "kavro/record_set.hpp"

namespace kavro::cli {

// The options every command that reads a protocol table takes.
inline const OptionSpec kDbOption{"db", true};
inline const OptionSpec kTableOption{"table", true};

// The bundled table: beside the tool, or in the install's share/kavro.
std::string defaultTablePath();

struct OpenTable {
    std::string path;  // the --db text as messages show it
    std::unique_ptr<RecordSet> set;
    std::string tableName;
    const std::string& name() const { return tableName; }
};

// The tables of the bundled database: decoders, and domes (whose rows take their command bytes
// from other bytes of the code).
inline constexpr const char* kDecoderTableName = "Protocol";
inline constexpr const char* kDomeTableName = "DomeProtocol";

// Opens --db (default: the bundled database; a postgresql:// URI names a PostgreSQL
// database) and --table. Without --table: bundledTable in the
// bundled database, Protocol in one given by --db. Raises Failure.
OpenTable openProtocolTable(const CommandLine& line, bool readOnly = true,
                            const char* bundledTable = kDecoderTableName);

}  // namespace kavro::cli
