// Named markers on the show's rows, kept in a text file a person can edit: one a line,
// "<row> <name>", '#' starting a comment line. Written whole through the one file writer.
#pragma once

#include <string>
#include <vector>

struct Marker {
    int row = 0;
    std::string name;
};

class Markers {
public:
    explicit Markers(std::string path) : path(std::move(path)) {}
    const std::string& getPath() const { return path; }

    // Reads the file again (a missing one holds no markers). A line that is not a marker throws
    // Kem::Exception naming the file and line and keeps the markers as they were.
    void read();
    // Adds a marker (replacing one on that row) and writes the file; throws Kem::Exception when
    // the file cannot be written, keeping the markers as they were.
    void add(int row, const std::string& name);
    const std::vector<Marker>& getMarkers() const { return markers; }
    // The nearest marker before (after) the row; false when there is none.
    bool previous(double row, int& found) const;
    bool next(double row, int& found) const;
    // A name for a marker added without one: the lowest number no marker is named.
    std::string freeNumber() const;

private:
    std::string path;
    std::vector<Marker> markers; // by row
};
