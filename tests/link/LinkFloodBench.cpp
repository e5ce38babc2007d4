// Prints what the editor link costs the preview when an editor sends 1 MB of keys at random
// rows: the time its polls take in all, the slowest frame, and when the seek sent last is answered.
// Usage: bench_link_flood [MEGABYTES]
#include "EditorLink.h"
#include "FakeEditor.h"
#include "sync/TrackFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

using namespace linktest;

int main(int argc, char** argv) {
    double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    std::string folder = synctest::makeTemporaryFolder();
    synctest::writeTrack(folder, "Flood", {{0, 1.0f, Hold}});
    TrackSet tracks(folder.c_str());
    Track* track = tracks.getTrack("Flood");
    using Clock = std::chrono::steady_clock;
    double pollSeconds = 0.0, slowest = 0.0;
    bool seekHeard = false;
    std::uint32_t now = 1000;
    EditorLink* linkPointer = nullptr;
    auto frame = [&] {
        auto begin = Clock::now();
        LinkRequests requests = linkPointer->poll(tracks, now);
        double took = std::chrono::duration<double>(Clock::now() - begin).count();
        pollSeconds += took;
        slowest = std::max(slowest, took);
        seekHeard |= requests.seek && requests.row == 4321;
    };
    FakeEditor editor(frame);
    EditorLink link("127.0.0.1", editor.getPort());
    linkPointer = &link;
    link.poll(tracks, now);
    if (!editor.accept() || editor.read(19).size() != 19)
        return 1;
    editor.write(text("hello, demo!"));
    for (int i = 0; i < 100 && !link.isConnected(); ++i) {
        link.poll(tracks, now);
        usleep(1000);
    }
    editor.read(getTrack("Flood").size());

    std::mt19937 random(1);
    Bytes stream;
    while (stream.size() < std::size_t(megabytes * 1024 * 1024)) {
        Bytes key = setKey(0, random() % 99999999u, float(random() % 100), 1);
        stream.insert(stream.end(), key.begin(), key.end());
    }
    Bytes seek = setRow(4321);
    stream.insert(stream.end(), seek.begin(), seek.end());
    std::size_t keysSent = stream.size() / 14;

    pollSeconds = slowest = 0.0;
    auto begin = Clock::now();
    for (std::size_t at = 0; at < stream.size(); at += 32 * 1024) {
        editor.write(
            Bytes(stream.begin() + std::ptrdiff_t(at),
                  stream.begin() + std::ptrdiff_t(std::min(stream.size(), at + 32 * 1024))));
        frame();
    }
    for (long polls = 0; !seekHeard && polls < 10000000; ++polls)
        frame();
    double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    std::printf("link flood: %.2f MB, %zu keys at random rows: polls %.1f ms in all, slowest "
                "frame %.2f ms, seek answered after %.1f ms; the track holds %d keys\n",
                double(stream.size()) / (1024 * 1024), keysSent, pollSeconds * 1000.0,
                slowest * 1000.0, wall * 1000.0, track->getKeyCount());
    return seekHeard ? 0 : 1;
}
