// The preview's one time axis: rows to pixels for the timeline bar, the ruler and every lane of
// the panel. The lanes show the visible stretch of rows across the axis's span of pixels; the bar
// shows the whole show across the same span, with that stretch marked on it.
#pragma once

class TimeAxis {
public:
    TimeAxis();

    // The pixels the bar and the lanes take, left to right.
    void place(float left, float right);
    float getLeft() const { return left; }
    float getRight() const { return right; }

    // The visible stretch, in rows; the whole show until zoomed.
    double getFirstRow() const { return firstRow; }
    double getLastRow() const { return lastRow; }
    bool isZoomed() const;
    double pixelsPerRow() const;

    // Lanes: the visible stretch over the span.
    float rowToX(double row) const;
    double xToRow(float x) const;
    // The bar: the whole show over the same span.
    float barRowToX(double row) const;
    double barXToRow(float x) const;

    // Wheel steps (+ in) around the row under the pointer, which stays where it is.
    void zoomAround(double pivotRow, float steps);
    // Moves the stretch by rows, kept within the show.
    void scrollBy(double rows);
    // Puts the stretch's middle on the row, as far as the show's ends allow.
    void centreOn(double row);

    // Rows between grid lines at least minimumPixels apart: a half beat, beat, bar, four bars or
    // phrase.
    int gridStep(float minimumPixels) const;
    // Changes whenever the mapping does, so painters can keep what they worked out.
    unsigned getChangeCount() const { return changes; }

private:
    void setStretch(double first, double span);

    float left = 0.0f, right = 1.0f;
    double firstRow = 0.0, lastRow = 0.0;
    unsigned changes = 0;
};
