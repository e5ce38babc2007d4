// A contact sheet: thumbnails of the show in a grid, each labelled with its time and row.
#pragma once

#include <string>
#include <vector>

// The times of a sheet's thumbnails: 0, every, 2 every... each a time the show draws, so
// before its end at showSeconds (a step that divides the length stops one step short of it).
std::vector<double> sheetTimes(double every, double showSeconds);

class ContactSheet {
public:
    // count thumbnails of thumbWidth x thumbHeight in rows of columns; title on top.
    ContactSheet(int count, int columns, int thumbWidth, int thumbHeight, const std::string& title);
    ~ContactSheet();
    ContactSheet(const ContactSheet&) = delete;
    ContactSheet& operator=(const ContactSheet&) = delete;

    // Places a frame (RGBA, top row first) scaled down into cell index with its label.
    void place(int index, const std::vector<unsigned char>& rgba, int width, int height,
               const std::string& label);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const std::vector<unsigned char>& getPixels() const { return pixels; }

private:
    void drawText(const std::string& text, int x, int baseline, float size, unsigned char shade);

    int columns, thumbWidth, thumbHeight;
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    std::vector<unsigned char> fontData;
    struct Font;
    Font* font = nullptr;
};
