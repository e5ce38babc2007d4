// libFuzzer target: any bytes as the editor's command stream. The first byte is the number of
// tracks asked for; commands are decoded one after the other as the link does, each either
// complete (never past the bytes, a key export would take), incomplete at the end, or malformed
// with a reason. The keys set and deleted are merged a frame at a time (every 64 commands) and
// must equal what one map applying them in order holds.
#include "EditorCommands.h"
#include "KeyCheck.h"
#include "KeyMerge.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::uint32_t trackCount = data[0] % 4;
    std::vector<std::vector<TrackKey>> keys(trackCount);
    std::vector<std::vector<synclink::KeyEdit>> edits(trackCount);
    std::vector<std::map<std::int32_t, TrackKey>> expected(trackCount);
    std::vector<TrackKey> merged;
    auto mergeFrame = [&] {
        for (std::uint32_t t = 0; t < trackCount; ++t) {
            synclink::mergeKeyEdits(keys[t], edits[t], merged);
            edits[t].clear();
            keys[t].swap(merged);
        }
    };
    size_t at = 1;
    for (int commands = 1;; ++commands) {
        synclink::DecodedCommand command =
            synclink::decodeCommand(data + at, size - at, trackCount);
        if (command.status == synclink::DecodedCommand::Malformed) {
            if (command.problem.empty())
                __builtin_trap();
            break;
        }
        if (command.status == synclink::DecodedCommand::Incomplete)
            break;
        if (command.size == 0 || command.size > size - at)
            __builtin_trap();
        at += command.size;
        std::int32_t row = std::int32_t(command.row);
        if (command.command == synclink::EditorCommand::SetKey) {
            if (!keyProblem(command.row, command.value, command.interpolation).empty())
                __builtin_trap();
            TrackKey key{row, command.value, command.interpolation};
            expected[command.track][row] = key;
            auto& list = edits[command.track];
            list.push_back(
                {row, std::uint32_t(list.size()), key.value, command.interpolation, false});
        } else if (command.command == synclink::EditorCommand::DeleteKey) {
            expected[command.track].erase(row);
            auto& list = edits[command.track];
            list.push_back({row, std::uint32_t(list.size()), 0.0f, 0, true});
        }
        if (commands % 64 == 0)
            mergeFrame();
    }
    mergeFrame();
    for (std::uint32_t t = 0; t < trackCount; ++t) {
        if (keys[t].size() != expected[t].size())
            __builtin_trap();
        size_t i = 0;
        for (const auto& entry : expected[t]) {
            const TrackKey& key = keys[t][i++];
            if (key.row != entry.second.row || key.interpolation != entry.second.interpolation ||
                std::memcmp(&key.value, &entry.second.value, sizeof key.value) != 0)
                __builtin_trap();
        }
    }
    return 0;
}
