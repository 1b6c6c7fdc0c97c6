#include "ptz/protocol_row.hpp"

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
    return convert(field, [&] { return table_.fieldByName(field).value(); });
}

std::uint32_t ProtocolRow::code(std::string_view field) {
    const Variant v = value(field);
    return convert(field, [&] { return v.toUInt32(); });
}

int ProtocolRow::length() {
    const Variant v = value("Length");
    const std::int32_t length = convert("Length", [&] { return v.toInt32(); });
    if (length < 0) {
        throw RowRefused{{Refusal::NegativeLength, "Length",
                          "Length is negative (" + std::to_string(length) + ")"}};
    }
    if (length > CommandFrame::kMaxLength) {
        throw RowRefused{{Refusal::LengthTooLarge, "Length",
                          "Length " + std::to_string(length) + " is above the largest frame (" +
                              std::to_string(CommandFrame::kMaxLength) + " bytes)"}};
    }
    return length;
}

std::int32_t ProtocolRow::wireAddress(std::int32_t camera) {
    const Variant base = value("BaseAddress");
    return convert("BaseAddress", [&] { return (Variant(camera) + base).toInt32(); });
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
