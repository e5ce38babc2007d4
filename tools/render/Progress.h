// Progress on standard error: frames done, frames per second, time left. At a terminal a bar
// redrawn in place; into a file or pipe a plain line at every tenth of the work, so logs hold
// no carriage returns.
#pragma once

#include <chrono>
#include <string>

class Progress {
public:
    Progress(long long total, std::string label);
    void advance();
    void finish();

private:
    void drawBar(bool final);
    void writeLine();

    long long total;
    long long done = 0;
    std::string label;
    bool terminal;
    long long tenthsWritten = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDraw;
};
