#include "ptz/protocol_row.hpp"

#include <cmath>
#include <limits>

#include "ptz/command_frame.hpp"

namespace kavro {

bool locateProtocolRow(RecordSet& table, int protocolId, SendResult& refusal) {
    try {
        if (table.locate("ID", Variant(protocolId), LocateOptions{.partialKey = true})) return true;
        refusal = {Refusal::NoRow, "ID", "no row with ID " + std::to_string(protocolId)};
    } catch (const HostError& error) {
        refusal = {Refusal::LookupFailed, "ID", error.what()};
    }
    return false;
}

SendResult refusalFor(const HostError& error, std::string_view field) {
    const std::string name(field);
    switch (error.code()) {
        case HostErrorCode::FieldNotFound:
            return {Refusal::MissingField, name, "no field " + name};
        case HostErrorCode::EmptyValue:
            return {Refusal::EmptyValue, name, "field " + name + " is empty"};
        case HostErrorCode::NotANumber:
            return {Refusal::NotANumber, name, "field " + name + ": " + error.what()};
        case HostErrorCode::Overflow:
            return {Refusal::ValueOutOfRange, name, "field " + name + ": " + error.what()};
        case HostErrorCode::InvalidOperation:
        case HostErrorCode::DatabaseError:
        case HostErrorCode::OutOfRange:
            break;
    }
    return {Refusal::ReadFailed, name, "field " + name + ": " + error.what()};
}

Variant ProtocolRow::value(std::string_view field) {
    return convert(field, [&] { return table_.fieldValue(field); });
}

bool isCommandField(std::string_view name) {
    for (const char* field :
         {"ID", "Length", "BaseAddress", "StayTime", "Slowest", "Fastest", "Name"}) {
        if (sameFieldName(name, field)) return false;
    }
    return true;
}

std::uint32_t ProtocolRow::code(std::string_view field) {
    const Variant v = value(field);
    return convert(field, [&] { return v.toUInt32(); });
}

namespace {
// "; the 14 command fields are Up, UpStop, ..." for a name the row has no field of: the first
// dozen in the table's column order, "..." standing for the rest.
std::string commandFieldList(const RecordSet& table) {
    constexpr std::size_t kListed = 12;
    std::vector<std::string> commands;
    for (std::string& name : table.fieldNames()) {
        if (isCommandField(name)) commands.push_back(std::move(name));
    }
    if (commands.empty()) return "; the table has no command fields";
    std::string list = commands.size() == 1
                           ? std::string("; the only command field is ")
                           : "; the " + std::to_string(commands.size()) + " command fields are ";
    for (std::size_t i = 0; i < commands.size() && i < kListed; ++i) {
        list += (i == 0 ? "" : ", ") + commands[i];
    }
    if (commands.size() > kListed) list += ", ...";
    return list;
}
}  // namespace

std::uint32_t ProtocolRow::commandCode(std::string_view command) {
    if (command.empty()) {
        throw RowRefused{{Refusal::MissingField, "", "the command name is empty"}};
    }
    try {
        return code(command);
    } catch (RowRefused& refused) {
        if (refused.result.refusal == Refusal::MissingField) {
            try {
                refused.result.message += commandFieldList(table_);
            } catch (const HostError&) {
                // The table cannot name its fields: the refusal stands without the list.
            }
        }
        throw;
    }
}

namespace {
// The whole number a Length or address value stands for, without the 32-bit wrap: reals round
// half to even. Raises as the 32-bit conversion would for a value that is no number.
double wholeNumber(const Variant& value) {
    if (value.type() == Variant::Type::Integer) return static_cast<double>(value.integerValue());
    const Variant number = value.toNumber();
    if (number.type() == Variant::Type::Integer) return static_cast<double>(number.integerValue());
    return roundHalfEven(number.realValue());
}
}  // namespace

int ProtocolRow::length() {
    const Variant v = value("Length");
    const double whole = convert("Length", [&] { return wholeNumber(v); });
    // Tested before the 32-bit conversion, which would read 4000000000 as -294967296.
    if (whole < 0) {
        throw RowRefused{
            {Refusal::NegativeLength, "Length", "Length is negative (" + v.describe() + ")"}};
    }
    if (!(whole <= CommandFrame::kMaxLength)) {
        throw RowRefused{{Refusal::LengthTooLarge, "Length",
                          "Length " + v.describe() + " is too large: the largest frame is " +
                              std::to_string(CommandFrame::kMaxLength) + " bytes"}};
    }
    return convert("Length", [&] { return v.toInt32(); });
}

std::int32_t ProtocolRow::wireAddress(std::int32_t camera) {
    const Variant base = value("BaseAddress");
    Variant sum;
    try {
        // The host's variant addition: a BaseAddress held as text is read as a number.
        sum = Variant(camera) + base;
        return sum.toInt32();
    } catch (const HostError& error) {
        if (error.code() != HostErrorCode::Overflow)
            throw RowRefused{refusalFor(error, "BaseAddress")};
    }
    // The sum does not fit 32 bits. When BaseAddress alone would, the camera address is what
    // pushed it out.
    const bool baseFits = [&] {
        try {
            base.toInt32();
            return true;
        } catch (const HostError&) {
            return false;
        }
    }();
    if (!baseFits) {
        throw RowRefused{
            {Refusal::ValueOutOfRange, "BaseAddress",
             "field BaseAddress: " + base.describe() + " does not fit a 32-bit wire address"}};
    }
    throw RowRefused{{Refusal::CameraOutOfRange, "",
                      "camera " + std::to_string(camera) + " plus BaseAddress " + base.describe() +
                          " gives the wire address " + sum.describe() +
                          ", which does not fit 32 bits"}};
}

std::uint8_t ProtocolRow::stayTime() {
    const Variant v = value("StayTime");
    return convert("StayTime", [&] { return v.toUInt8(); });
}

namespace {
// base is the value added last: Slowest as read the second time.
std::int32_t speedFrom(const Variant& slowest, const Variant& fastest, const Variant& base,
                       std::int32_t level) {
    const Variant e = (fastest - slowest) * Variant(level);
    const std::int32_t r = (e / Variant(10.0)).toInt32();
    return (Variant(r) + base).toInt32();
}
}  // namespace

std::int32_t speedValue(const Variant& slowest, const Variant& fastest, std::int32_t level) {
    return speedFrom(slowest, fastest, slowest, level);
}

std::int32_t ProtocolRow::speed(std::int32_t level) {
    const Variant slowest = value("Slowest");
    const Variant fastest = value("Fastest");
    // The host reads Slowest a second time for the last step of the sum.
    const Variant base = value("Slowest");
    // Text that is no number would fail inside the arithmetic; tested first, it is refused
    // under its own field's name.
    convert("Slowest", [&] { return slowest.toNumber(); });
    convert("Fastest", [&] { return fastest.toNumber(); });
    try {
        return speedFrom(slowest, fastest, base, level);
    } catch (const HostError& error) {
        throw RowRefused{{Refusal::ValueOutOfRange, "Fastest",
                          "speed level " + std::to_string(level) + " from Slowest " +
                              slowest.toText() + " to Fastest " + fastest.toText() + ": " +
                              error.what()}};
    }
}

}  // namespace kavro
