// The sync-tracker editor's wire format: what the editor sends, decoded one command at a time,
// and what we send, encoded. Integers and float bits travel big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace synclink {

constexpr char clientGreeting[] = "hello, synctracker!";
constexpr char editorGreeting[] = "hello, demo!";
constexpr std::size_t clientGreetingSize = sizeof clientGreeting - 1;
constexpr std::size_t editorGreetingSize = sizeof editorGreeting - 1;
// Rows travel as u32 but tracks hold signed rows.
constexpr std::uint32_t highestRow = 0x7fffffffu;

enum class EditorCommand : std::uint8_t {
    SetKey = 0,
    DeleteKey = 1,
    SetRow = 3,
    Pause = 4,
    SaveTracks = 5,
};

struct DecodedCommand {
    enum Status { Complete, Incomplete, Malformed };
    Status status = Incomplete;
    std::size_t size = 0; // bytes the command took, when complete
    bool known = false;   // the command byte names a command
    EditorCommand command = EditorCommand::SetKey;
    std::uint32_t track = 0;
    std::uint32_t row = 0;
    float value = 0.0f;
    std::uint8_t interpolation = 0;
    bool paused = false;
    std::string problem; // why, when malformed, naming the value
};

// The first command in the bytes. `trackCount` is how many tracks were asked for on this
// connection: an index at or beyond it is malformed, like an unknown command byte, a row above
// highestRow, or a key a timeline cannot hold (see keyProblem).
DecodedCommand decodeCommand(const unsigned char* bytes, std::size_t size,
                             std::uint32_t trackCount);

// "set key", "delete key", "set row", "pause", "save tracks".
const char* commandName(EditorCommand command);

void appendGetTrack(std::vector<unsigned char>& out, const char* name);
void appendSetRow(std::vector<unsigned char>& out, std::uint32_t row);

} // namespace synclink
