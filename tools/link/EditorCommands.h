// The sync-tracker editor's wire format: what the editor sends, decoded one command at a time,
// and what we send, encoded. Integers and float bits travel big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
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
    EditorCommand command = EditorCommand::SetKey;
    std::uint32_t track = 0;
    std::uint32_t row = 0;
    float value = 0.0f;
    std::uint8_t interpolation = 0;
    bool paused = false;
    const char* problem = nullptr; // why, when malformed
};

// The first command in the bytes. `trackCount` is how many tracks were asked for on this
// connection: an index at or beyond it is malformed, like an unknown command byte or a row above
// highestRow.
DecodedCommand decodeCommand(const unsigned char* bytes, std::size_t size,
                             std::uint32_t trackCount);

void appendGetTrack(std::vector<unsigned char>& out, const char* name);
void appendSetRow(std::vector<unsigned char>& out, std::uint32_t row);

} // namespace synclink
