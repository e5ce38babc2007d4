// Sync tracks for the scene tests: written once per process into a temporary folder, each a
// sequence of held values, and read at a chosen row through a fake music clock.
#pragma once

#include "Audio.h"

#include <initializer_list>
#include <utility>

namespace scenes2 {

// Rows at which the written tracks change value: a test picks one with setRow.
enum Moment { Calm = 0, Lively = 100, Keep = 200, Hit = 300, Silent = 400, Empty = 500 };

// Makes the track folder the sync module reads and attaches the fake clock (first call only).
void ensureTracks();
// Puts the fake clock at this row (one row per second).
void setRow(double row);

} // namespace scenes2
