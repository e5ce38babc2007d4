// The one check of a key that comes in from outside (a source file, the track panel, a live
// editor): a row a timeline source can hold, a finite value and an interpolation from 0 to 3,
// which is what `oxbrine-trackc export` takes back to text.
#pragma once

#include <cstdint>
#include <string>

// Empty when the key can be held, else the problem naming the value ("value nan is not a finite
// number").
std::string keyProblem(std::int64_t row, float value, int interpolation);
