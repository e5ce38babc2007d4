// Writes the scene tests' track files and drives the sync module with a clock that stands still.
#include "SceneTracks.h"

#include "Sync.h"
#include "support/StillAudio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace scenes2 {
namespace {

StillAudio audio;

using Keys = std::vector<std::pair<int, float>>;

void writeTrack(const std::string& folder, const std::string& name, const Keys& keys) {
    std::string path = folder + "_" + name + ".track";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::int32_t count = std::int32_t(keys.size());
    std::fwrite(&count, 4, 1, file);
    for (const auto& [row, value] : keys) {
        std::int32_t keyRow = row;
        std::uint8_t hold = 0;
        std::fwrite(&keyRow, 4, 1, file);
        std::fwrite(&value, 4, 1, file);
        std::fwrite(&hold, 1, 1, file);
    }
    std::fclose(file);
}

// Values per moment: Calm, Lively, Keep, Hit, Silent (all zero).
Keys at(float calm, float lively, float keep, float hit) {
    return {{Calm, calm}, {Lively, lively}, {Keep, keep}, {Hit, hit}, {Silent, 0.0f}};
}

Keys with(Keys keys, int row, float value) {
    keys.push_back({row, value});
    return keys;
}

} // namespace

void ensureTracks() {
    static bool done = false;
    if (done)
        return;
    done = true;
    char folderTemplate[] = "/tmp/oxbrine-scenes2-XXXXXX";
    const char* made = mkdtemp(folderTemplate);
    ASSERT_NE(made, nullptr);
    static std::string folder = std::string(made) + "/";

    const std::map<std::string, Keys> tracks = {
        // Sphurrs: the breathing cloud, the tree on a beat, a kept layout, the cloud on a hit.
        {"Sphurrs Part", with(at(0, 1, 2, 0), Empty, 1.0f)},
        {"Sphurrs Rad Shit", at(0.55f, 0.0f, 0.0f, 1.0f)},
        {"Sphurrs Rad Shit Time", at(1.2f, 0.0f, 0.0f, 2.6f)},
        // Empty: the tree with every placed sphere shrunk away, only the sky is left.
        {"Sphurrs BOOM", with(at(0.0f, 0.25f, 0.25f, 0.5f), Empty, -10.0f)},
        // Garbitch: teal outlines, then amber doubled lines with the first pass mixed back in.
        {"Garbitch Fadeout", at(0.0f, 0.25f, 0.5f, 1.0f)},
        {"Garbitch Rot", at(0.3f, 1.0f, 1.0f, 1.0f)},
        {"Garbitch Sin Mix", at(0.0f, 1.0f, 1.0f, 0.0f)},
        {"Garbitch Scroll", at(0.5f, 1.0f, 1.0f, 1.0f)},
        {"Garbitch Rings", at(1.0f, 1.5f, 1.5f, 0.0f)},
        {"Garbitch Squares", at(1.0f, 1.2f, 1.2f, 1.0f)},
        {"Garbitch Scale", at(0.0f, 0.1f, 0.1f, 0.0f)},
        {"Garbitch Scale 2", at(0.5f, 1.0f, 1.0f, 0.0f)},
        {"Garbitch Offset", at(1.0f, 2.0f, 2.0f, 1.0f)},
        {"Garbitch Spread 1", at(1.0f, 1.5f, 1.5f, 1.0f)},
        {"Garbitch Strength 1", at(1.0f, 1.2f, 1.2f, 1.0f)},
        {"Garbitch Red 1", at(0.2f, 0.3f, 0.3f, 1.0f)},
        {"Garbitch Green 1", at(0.8f, 0.7f, 0.7f, 1.0f)},
        {"Garbitch Blue 1", at(1.0f, 0.9f, 0.9f, 1.0f)},
        {"Garbitch Spread 2", at(2.0f, 2.5f, 2.5f, 1.0f)},
        {"Garbitch Strength 2", at(0.5f, 0.6f, 0.6f, 1.0f)},
        {"Garbitch Red 2", at(1.0f, 1.0f, 1.0f, 1.0f)},
        {"Garbitch Green 2", at(0.55f, 0.6f, 0.6f, 1.0f)},
        {"Garbitch Blue 2", at(0.2f, 0.25f, 0.25f, 1.0f)},
        {"Garbitch Blend", at(1.0f, 0.8f, 0.8f, 1.0f)},
    };
    for (const auto& [name, keys] : tracks)
        writeTrack(folder, name, keys);
    Sync::setTrackDirectory(folder.c_str());
    Sync::setAudio(&audio, 1.0);
}

void setRow(double row) {
    audio.position = row;
}

} // namespace scenes2
