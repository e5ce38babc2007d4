// Track file writer for tests (little-endian, 4-byte count then 9-byte keys).
#include "TrackFiles.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace synctest {

std::string makeTemporaryFolder() {
    const char* root = std::getenv("TMPDIR");
    std::string pattern = std::string(root && *root ? root : "/tmp") + "/oxbrine-sync-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) ? std::string(buffer.data()) + "/" : "";
}

namespace {
void put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back((value >> (8 * i)) & 0xff);
}
} // namespace

std::vector<unsigned char> encodeTrack(const std::vector<TrackKey>& keys) {
    std::vector<unsigned char> bytes;
    put32(bytes, std::uint32_t(keys.size()));
    for (const TrackKey& key : keys) {
        put32(bytes, std::uint32_t(key.row));
        std::uint32_t bits;
        std::memcpy(&bits, &key.value, 4);
        put32(bytes, bits);
        bytes.push_back(std::uint8_t(key.interpolation));
    }
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writeTrack(const std::string& folder, const std::string& name,
                const std::vector<TrackKey>& keys) {
    writeBytes(folder + "_" + name + ".track", encodeTrack(keys));
}

} // namespace synctest
