// Reads the tune's text source (see content/music/tune.song for the format) into a Song.
#pragma once

#include <string>

#include "Song.h"

namespace Synth {

// Throws Kem::Exception naming the line for anything it does not understand.
Song parseSong(const std::string& text, const std::string& sourceName);
Song loadSong(const std::string& path);

// "A3", "C#4", "Bb1" -> MIDI note number (C4 = 60); -1 when the text is not a note.
int parseNoteName(const std::string& text);

} // namespace Synth
