// Row and pixel mapping, zoom and scroll of the shared axis.
#include "TimeAxis.h"

#include "MusicGrid.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double fewestRows = 16.0;

} // namespace

TimeAxis::TimeAxis() : lastRow(MusicGrid::showRows) {}

void TimeAxis::place(float newLeft, float newRight) {
    newRight = std::max(newLeft + 1.0f, newRight);
    if (newLeft == left && newRight == right)
        return;
    left = newLeft;
    right = newRight;
    ++changes;
}

bool TimeAxis::isZoomed() const {
    return firstRow > 0.0 || lastRow < MusicGrid::showRows;
}

double TimeAxis::pixelsPerRow() const {
    return double(right - left) / (lastRow - firstRow);
}

float TimeAxis::rowToX(double row) const {
    return left + float((row - firstRow) * pixelsPerRow());
}

double TimeAxis::xToRow(float x) const {
    return firstRow + double(x - left) / pixelsPerRow();
}

float TimeAxis::barRowToX(double row) const {
    return left + float(row / MusicGrid::showRows * double(right - left));
}

double TimeAxis::barXToRow(float x) const {
    return std::clamp(double(x - left) / double(right - left), 0.0, 1.0) * MusicGrid::showRows;
}

void TimeAxis::setStretch(double first, double span) {
    span = std::clamp(span, fewestRows, MusicGrid::showRows);
    first = std::clamp(first, 0.0, MusicGrid::showRows - span);
    if (first == firstRow && first + span == lastRow)
        return;
    firstRow = first;
    lastRow = first + span;
    ++changes;
}

void TimeAxis::zoomAround(double pivotRow, float steps) {
    double span = lastRow - firstRow;
    double newSpan =
        std::clamp(span * std::pow(0.8, double(steps)), fewestRows, MusicGrid::showRows);
    double fraction = (pivotRow - firstRow) / span;
    setStretch(pivotRow - fraction * newSpan, newSpan);
}

void TimeAxis::scrollBy(double rows) {
    setStretch(firstRow + rows, lastRow - firstRow);
}

void TimeAxis::centreOn(double row) {
    double span = lastRow - firstRow;
    setStretch(row - span / 2, span);
}

int TimeAxis::gridStep(float minimumPixels) const {
    const int steps[] = {MusicGrid::rowsPerBeat / 2, MusicGrid::rowsPerBeat, MusicGrid::rowsPerBar,
                         4 * MusicGrid::rowsPerBar, MusicGrid::rowsPerPhrase};
    for (int step : steps)
        if (step * pixelsPerRow() >= minimumPixels)
            return step;
    return 4 * MusicGrid::rowsPerPhrase;
}
