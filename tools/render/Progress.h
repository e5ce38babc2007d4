// A one-line progress bar on standard error: frames done, frames per second, time left.
#pragma once

#include <chrono>
#include <string>

class Progress {
public:
    Progress(long long total, std::string label);
    void advance();
    void finish();

private:
    void draw(bool final);

    long long total;
    long long done = 0;
    std::string label;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDraw;
};
