// The show's music as a waveform: the decoded MP3's lowest and highest sample per short block,
// worked out on a thread of its own (at start-up, and again when the file changes) while the
// frame loop goes on; then min/max per screen column of any stretch of rows, kept until the
// stretch or the columns change, so an idle frame works out and allocates nothing.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MusicWaveform {
public:
    MusicWaveform() = default;
    ~MusicWaveform();
    MusicWaveform(const MusicWaveform&) = delete;
    MusicWaveform& operator=(const MusicWaveform&) = delete;

    // Starts decoding the file (dropping a decode under way); the old waveform stays until the
    // new one is done.
    void start(const std::string& path);
    // Once a frame: takes a finished decode. True when the waveform changed; `milliseconds` then
    // holds how long it took, and `error` why it failed (the old waveform stays).
    bool poll(double& milliseconds, std::string& error);
    bool isReady() const { return !low.empty(); }

    // Min and max of each of `columns` columns spanning rows first..last, into the arrays
    // (resized only when the column count grows). Kept from the last call when nothing changed.
    void columnsFor(double firstRow, double lastRow, int columns);
    const std::vector<float>& getColumnLows() const { return columnLow; }
    const std::vector<float>& getColumnHighs() const { return columnHigh; }
    int getColumnCount() const { return columnCount; }

private:
    struct Result {
        std::vector<float> low, high;
        double blockRows = 0.0;
        double milliseconds = 0.0;
        std::string error;
        bool done = false;
    };
    void stop();

    std::thread worker;
    std::atomic<bool> cancel{false};
    std::mutex lock;
    Result finished; // guarded by lock

    std::vector<float> low, high; // per block
    double blockRows = 0.0;       // rows a block spans
    unsigned generation = 0;

    std::vector<float> columnLow, columnHigh;
    int columnCount = 0;
    double columnsFirst = -1.0, columnsLast = -1.0;
    unsigned columnsGeneration = ~0u;
};
