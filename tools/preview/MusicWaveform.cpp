// Decoding the music into per-block extremes, and reducing them to screen columns.
#include "MusicWaveform.h"

#include "MusicGrid.h"
#include "kem/Exception.h"
#include "platform/sound/Mp3Stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// Frames a block holds: about 3 ms at 44.1 kHz, finer than any column at the deepest zoom.
constexpr int blockFrames = 128;

} // namespace

MusicWaveform::~MusicWaveform() {
    stop();
}

void MusicWaveform::stop() {
    cancel = true;
    if (worker.joinable())
        worker.join();
    cancel = false;
}

void MusicWaveform::start(const std::string& path) {
    stop();
    worker = std::thread([this, path] {
        auto started = std::chrono::steady_clock::now();
        Result result;
        try {
            sound::Mp3Stream stream(path.c_str());
            if (!stream.isOpen())
                throw Kem::Exception(("cannot decode '" + path + "'").c_str(), "MusicWaveform",
                                     __LINE__);
            result.blockRows =
                double(blockFrames) / stream.getSampleRate() * MusicGrid::rowsPerSecond;
            if (stream.getLength() > 0) {
                result.low.reserve(std::size_t(stream.getLength() / blockFrames + 1));
                result.high.reserve(result.low.capacity());
            }
            std::vector<float> frames(std::size_t(blockFrames) * 2);
            int got = 0;
            while (!cancel && (got = stream.read(frames.data(), blockFrames)) > 0) {
                auto [lowest, highest] =
                    std::minmax_element(frames.begin(), frames.begin() + got * 2);
                result.low.push_back(*lowest);
                result.high.push_back(*highest);
            }
        } catch (const Kem::Exception& failure) {
            result.error = failure.getMessage().getData() ? failure.getMessage().getData()
                                                          : "cannot decode the music";
        }
        result.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        result.done = !cancel;
        std::lock_guard<std::mutex> hold(lock);
        finished = std::move(result);
    });
}

bool MusicWaveform::poll(double& milliseconds, std::string& error) {
    std::unique_lock<std::mutex> hold(lock, std::try_to_lock);
    if (!hold.owns_lock() || !finished.done)
        return false;
    finished.done = false;
    milliseconds = finished.milliseconds;
    error = finished.error;
    if (!error.empty())
        return true;
    low = std::move(finished.low);
    high = std::move(finished.high);
    blockRows = finished.blockRows;
    ++generation;
    return true;
}

void MusicWaveform::columnsFor(double firstRow, double lastRow, int columns) {
    columns = std::max(columns, 0);
    if (columns == columnCount && firstRow == columnsFirst && lastRow == columnsLast &&
        generation == columnsGeneration)
        return;
    columnsFirst = firstRow;
    columnsLast = lastRow;
    columnsGeneration = generation;
    columnCount = columns;
    if (columnLow.size() < std::size_t(columns)) {
        columnLow.resize(std::size_t(columns));
        columnHigh.resize(std::size_t(columns));
    }
    const double blocks = double(low.size());
    const double rowsPerColumn = columns > 0 ? (lastRow - firstRow) / columns : 0.0;
    for (int column = 0; column < columns; ++column) {
        float lowest = 0.0f, highest = 0.0f;
        if (blockRows > 0.0) {
            double from = (firstRow + column * rowsPerColumn) / blockRows;
            double to = (firstRow + (column + 1) * rowsPerColumn) / blockRows;
            std::size_t first = std::size_t(std::clamp(std::floor(from), 0.0, blocks));
            std::size_t last = std::size_t(std::clamp(std::ceil(to), 0.0, blocks));
            for (std::size_t block = first; block < last; ++block) {
                lowest = std::min(lowest, low[block]);
                highest = std::max(highest, high[block]);
            }
        }
        columnLow[std::size_t(column)] = lowest;
        columnHigh[std::size_t(column)] = highest;
    }
}
