// Decoding the editor's commands and encoding ours.
#include "EditorCommands.h"

#include "KeyCheck.h"

#include <cstring>

namespace synclink {

namespace {

constexpr std::uint8_t getTrackByte = 2;
constexpr std::uint8_t setRowByte = 3;

std::uint32_t read32(const unsigned char* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

void append32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

DecodedCommand malformed(DecodedCommand result, std::string problem) {
    result.status = DecodedCommand::Malformed;
    result.problem = std::move(problem);
    return result;
}

} // namespace

DecodedCommand decodeCommand(const unsigned char* bytes, std::size_t size,
                             std::uint32_t trackCount) {
    DecodedCommand result;
    if (size == 0)
        return result;
    std::size_t needed = 0;
    switch (bytes[0]) {
    case std::uint8_t(EditorCommand::SetKey):
        needed = 1 + 4 + 4 + 4 + 1;
        break;
    case std::uint8_t(EditorCommand::DeleteKey):
        needed = 1 + 4 + 4;
        break;
    case std::uint8_t(EditorCommand::SetRow):
        needed = 1 + 4;
        break;
    case std::uint8_t(EditorCommand::Pause):
        needed = 1 + 1;
        break;
    case std::uint8_t(EditorCommand::SaveTracks):
        needed = 1;
        break;
    default:
        return malformed(result, "unknown command byte " + std::to_string(bytes[0]));
    }
    result.command = EditorCommand(bytes[0]);
    result.known = true;
    // Fields are checked as soon as they have arrived, so a bad index is caught before the rest.
    bool hasTrack =
        result.command == EditorCommand::SetKey || result.command == EditorCommand::DeleteKey;
    if (hasTrack && size >= 5) {
        result.track = read32(bytes + 1);
        if (result.track >= trackCount)
            return malformed(result, "track index " + std::to_string(result.track) + " past the " +
                                         std::to_string(trackCount) + " tracks asked for");
    }
    std::size_t rowAt = hasTrack ? 5 : 1;
    if (result.command != EditorCommand::Pause && result.command != EditorCommand::SaveTracks &&
        size >= rowAt + 4) {
        result.row = read32(bytes + rowAt);
        if (result.row > highestRow)
            return malformed(result, "row " + std::to_string(result.row) + " out of range");
    }
    if (size < needed)
        return result;
    if (result.command == EditorCommand::SetKey) {
        std::uint32_t bits = read32(bytes + 9);
        std::memcpy(&result.value, &bits, sizeof bits);
        result.interpolation = bytes[13];
        std::string problem = keyProblem(result.row, result.value, result.interpolation);
        if (!problem.empty())
            return malformed(result, problem);
    } else if (result.command == EditorCommand::Pause) {
        result.paused = bytes[1] != 0;
    }
    result.status = DecodedCommand::Complete;
    result.size = needed;
    return result;
}

const char* commandName(EditorCommand command) {
    switch (command) {
    case EditorCommand::SetKey:
        return "set key";
    case EditorCommand::DeleteKey:
        return "delete key";
    case EditorCommand::SetRow:
        return "set row";
    case EditorCommand::Pause:
        return "pause";
    case EditorCommand::SaveTracks:
        return "save tracks";
    }
    return "command";
}

void appendGetTrack(std::vector<unsigned char>& out, const char* name) {
    std::size_t length = std::strlen(name);
    out.push_back(getTrackByte);
    append32(out, std::uint32_t(length));
    out.insert(out.end(), name, name + length);
}

void appendSetRow(std::vector<unsigned char>& out, std::uint32_t row) {
    out.push_back(setRowByte);
    append32(out, row);
}

} // namespace synclink
