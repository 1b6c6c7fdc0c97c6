#include "kavro/decoder_table_check.hpp"

#include <map>
#include <optional>

#include "ptz/decoder_protocols.hpp"
#include "ptz/protocol_row.hpp"

namespace kavro {
namespace {

constexpr const char* kRowFields[] = {"ID", "Length", "BaseAddress"};
constexpr const char* kDomeFields[] = {"StayTime", "Slowest", "Fastest", "Name"};

bool isCommandField(const std::string& name) {
    for (const char* field : kRowFields) {
        if (sameFieldName(name, field)) return false;
    }
    for (const char* field : kDomeFields) {
        if (sameFieldName(name, field)) return false;
    }
    return true;
}

std::string bytes(long long count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// What a row's Length does to its protocol's frame; empty when it fits.
std::string lengthFinding(std::int32_t id, int length) {
    const std::string protocol = "protocol " + std::to_string(id);
    const DecoderProtocol* p = findDecoderProtocol(id);
    if (p == nullptr) {
        if (length == 0) return {};
        return "Length " + std::to_string(length) + " sends " + bytes(length) +
               " that no protocol sets (ID " + std::to_string(id) + " has no protocol; use 0)";
    }
    if (p->frameLength == DecoderProtocol::kSetsOwnLength || length == p->frameLength) return {};
    if (length < p->frameLength) {
        return "Length " + std::to_string(length) + " is too short for the " +
               std::to_string(p->frameLength) + "-byte frame of " + protocol +
               ": every command fails before writing";
    }
    return "Length " + std::to_string(length) + " is longer than the " +
           std::to_string(p->frameLength) + "-byte frame of " + protocol +
           ": every write ends with " + bytes(length - p->frameLength) + " that no protocol sets";
}

}  // namespace

DecoderTableCheck checkDecoderTable(RecordSet& table) {
    DecoderTableCheck check;
    const std::vector<std::string> names = table.fieldNames();
    bool hasField[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        for (const std::string& name : names)
            hasField[i] = hasField[i] || sameFieldName(name, kRowFields[i]);
        if (!hasField[i]) {
            check.findings.push_back(std::string("the table has no field ") + kRowFields[i] +
                                     ": every command is refused");
        }
    }
    std::vector<std::string> commands;
    for (const std::string& name : names) {
        if (isCommandField(name)) commands.push_back(name);
    }

    std::map<std::int32_t, std::size_t> firstRowOf;
    std::size_t row = 0;
    for (table.first(); !table.eof(); table.next()) {
        ++row;
        std::string where = "row " + std::to_string(row);
        const auto note = [&](const std::string& text) {
            check.findings.push_back(where + ": " + text);
        };
        ProtocolRow reader(table);

        std::optional<std::int32_t> id;
        if (hasField[0]) {
            try {
                const Variant value = reader.value("ID");
                id = reader.convert("ID", [&] { return value.toInt32(); });
                where += ", ID " + std::to_string(*id);
            } catch (const RowRefused& refused) {
                note(refused.result.message + "; no protocol ID finds this row");
            }
        }
        if (id) {
            const auto [first, isNew] = firstRowOf.emplace(*id, row);
            if (!isNew) {
                note("row " + std::to_string(first->second) +
                     " has the same ID and is always found first; this row is never used");
            }
        }
        if (hasField[1]) {
            try {
                const int length = reader.length();
                if (id) {
                    if (std::string finding = lengthFinding(*id, length); !finding.empty())
                        note(finding);
                }
            } catch (const RowRefused& refused) {
                note(refused.result.message);
            }
        }
        if (hasField[2]) {
            try {
                reader.wireAddress(0);
            } catch (const RowRefused& refused) {
                note(refused.result.message);
            }
        }
        for (const std::string& command : commands) {
            try {
                reader.code(command);
            } catch (const RowRefused& refused) {
                if (refused.result.refusal != Refusal::EmptyValue) note(refused.result.message);
            }
        }
    }
    check.rows = row;
    return check;
}

}  // namespace kavro
