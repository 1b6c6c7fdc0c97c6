#include "kavro/decoder_table_check.hpp"

#include <functional>
#include <map>
#include <optional>

#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"
#include "ptz/protocol_row.hpp"

namespace kavro {
namespace {

constexpr const char* kRowFields[] = {"ID", "Length", "BaseAddress"};
constexpr const char* kDomeFields[] = {"StayTime", "Slowest", "Fastest"};

bool hasField(const std::vector<std::string>& names, const char* field) {
    for (const std::string& name : names) {
        if (sameFieldName(name, field)) return true;
    }
    return false;
}

std::string bytes(long long count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// A frame the row's Length must fit: whose, and how long.
struct FixedFrame {
    const char* encoder;  // "decoder", "dome", or "" in a table without dome fields
    int length;
};

// What a row's Length does to the frames of its ID; empty when it fits. A row serves the
// decoder and the dome alike, so a Length is fine when it fits either encoder's frame. An
// encoder whose layout sets its own length does not care, and one without a layout for the ID
// does not count while the other has one. In a table without dome fields only the decoder
// counts, as no dome command can be sent.
std::string lengthFinding(std::int32_t id, int length, bool domeTable) {
    const std::string protocol = "protocol " + std::to_string(id);
    const DecoderProtocol* decoder = findDecoderProtocol(id);
    const DomeProtocol* dome = domeTable ? findDomeProtocol(id) : nullptr;
    if (decoder == nullptr && dome == nullptr) {
        if (length == 0) return {};
        return "Length " + std::to_string(length) + " sends " + bytes(length) +
               " that no protocol sets (ID " + std::to_string(id) + " has no protocol; use 0)";
    }
    std::vector<FixedFrame> frames;
    if (decoder != nullptr && decoder->frameLength != DecoderProtocol::kSetsOwnLength)
        frames.push_back({domeTable ? "decoder" : "", decoder->frameLength});
    if (dome != nullptr && dome->frameLength != DomeProtocol::kSetsOwnLength)
        frames.push_back({"dome", dome->frameLength});
    for (const FixedFrame& frame : frames) {
        if (frame.length == length) return {};
    }
    if (frames.empty()) return {};

    const std::string given = "Length " + std::to_string(length);
    if (frames.size() == 2 && frames[0].length != frames[1].length) {
        return given + " fits neither the " + std::to_string(frames[0].length) +
               "-byte decoder frame nor the " + std::to_string(frames[1].length) +
               "-byte dome frame of " + protocol;
    }
    // One frame length, of one encoder or shared by both.
    const int needed = frames[0].length;
    std::string whose = frames.size() == 2 ? "decoder and dome " : frames[0].encoder;
    if (frames.size() == 1 && !whose.empty()) whose += ' ';
    const std::string frame =
        "the " + std::to_string(needed) + "-byte " + whose + "frame of " + protocol;
    const std::string commands = frames.size() == 1 && domeTable
                                     ? std::string("every ") + frames[0].encoder + " command"
                                     : std::string("every command");
    const std::string writes = frames.size() == 1 && domeTable
                                   ? std::string("every ") + frames[0].encoder + " write"
                                   : std::string("every write");
    if (length < needed) {
        return given + " is too short for " + frame + ": " + commands + " fails before writing";
    }
    return given + " is longer than " + frame + ": " + writes + " ends with " +
           bytes(length - needed) + " that no protocol sets";
}

// The dome fields of a row. All three empty marks a row that is not meant for domes: fine. Else
// each must convert as a dome call reads it, and the speed values of levels 0 and 10 must fit.
void checkDomeFields(ProtocolRow& reader, const std::function<void(const std::string&)>& note) {
    bool empty[3] = {};
    int emptyCount = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        try {
            empty[i] = reader.value(kDomeFields[i]).isEmpty();
        } catch (const RowRefused& refused) {
            note(refused.result.message);
            return;
        }
        emptyCount += empty[i] ? 1 : 0;
    }
    if (emptyCount == 3) return;
    try {
        reader.stayTime();
    } catch (const RowRefused& refused) {
        note(refused.result.message + ": every dome command of this row is refused");
    }
    bool speedFields = true;
    for (const char* field : {kDomeFields[1], kDomeFields[2]}) {
        try {
            const Variant value = reader.value(field);
            reader.convert(field, [&] { return value.toNumber(); });
        } catch (const RowRefused& refused) {
            note(refused.result.message + ": every dome command of this row is refused");
            speedFields = false;
        }
    }
    if (!speedFields) return;
    for (std::int32_t level : {0, 10}) {
        try {
            reader.speed(level);
        } catch (const RowRefused& refused) {
            note(refused.result.message);
            return;
        }
    }
}

std::vector<std::string> commandFields(const std::vector<std::string>& names) {
    std::vector<std::string> commands;
    for (const std::string& name : names) {
        if (isCommandField(name)) commands.push_back(name);
    }
    return commands;
}

// Whether the current row's field holds anything; a field that cannot be read holds nothing.
bool holdsValue(ProtocolRow& reader, const std::string& field) {
    try {
        return !reader.value(field).isEmpty();
    } catch (const RowRefused&) {
        return false;
    }
}

std::optional<std::int32_t> readInt32(ProtocolRow& reader, const char* field) {
    try {
        return reader.value(field).toInt32();
    } catch (const RowRefused&) {
    } catch (const HostError&) {
    }
    return std::nullopt;
}

}  // namespace

std::vector<ProtocolRowSummary> listProtocolTable(RecordSet& table) {
    // The walk moves the table's current row: no other thread's call may move it meanwhile.
    const RecordSet::Hold hold(table);
    const std::vector<std::string> names = table.fieldNames();
    const std::vector<std::string> commands = commandFields(names);
    const bool hasId = hasField(names, kRowFields[0]);
    const bool hasLength = hasField(names, kRowFields[1]);
    std::vector<ProtocolRowSummary> rows;
    for (table.first(); !table.eof(); table.next()) {
        ProtocolRow reader(table);
        ProtocolRowSummary row;
        if (hasId) row.id = readInt32(reader, "ID");
        if (hasLength) row.length = readInt32(reader, "Length");
        for (const std::string& command : commands) {
            if (holdsValue(reader, command)) row.codedCommands.push_back(command);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

DecoderTableCheck checkDecoderTable(RecordSet& table) {
    const RecordSet::Hold hold(table);  // as in listProtocolTable
    DecoderTableCheck check;
    const std::vector<std::string> names = table.fieldNames();
    bool rowField[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        rowField[i] = hasField(names, kRowFields[i]);
        if (!rowField[i]) {
            check.findings.push_back(std::string("the table has no field ") + kRowFields[i] +
                                     ": every command is refused");
        }
    }
    for (const char* field : kDomeFields) {
        if (!hasField(names, field)) check.missingDomeFields.emplace_back(field);
    }
    const bool domeTable = check.missingDomeFields.empty();
    const std::vector<std::string> commands = commandFields(names);

    std::map<std::int32_t, std::size_t> firstRowOf;
    std::size_t row = 0;
    for (table.first(); !table.eof(); table.next()) {
        ++row;
        std::string where = "row " + std::to_string(row);
        const std::function<void(const std::string&)> note = [&](const std::string& text) {
            check.findings.push_back(where + ": " + text);
        };
        ProtocolRow reader(table);

        std::optional<std::int32_t> id;
        if (rowField[0]) {
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
        if (rowField[1]) {
            try {
                const int length = reader.length();
                if (id) {
                    if (std::string finding = lengthFinding(*id, length, domeTable);
                        !finding.empty())
                        note(finding);
                }
            } catch (const RowRefused& refused) {
                note(refused.result.message);
            }
        }
        if (rowField[2]) {
            try {
                reader.wireAddress(0);
            } catch (const RowRefused& refused) {
                note(refused.result.message);
            }
        }
        if (domeTable) checkDomeFields(reader, note);
        bool anyCode = false;
        for (const std::string& command : commands) {
            anyCode = anyCode || holdsValue(reader, command);
            try {
                reader.code(command);
            } catch (const RowRefused& refused) {
                if (refused.result.refusal != Refusal::EmptyValue) note(refused.result.message);
            }
        }
        if (!anyCode) ++check.rowsWithoutCodes;
    }
    check.rows = row;
    return check;
}

}  // namespace kavro
