// Messages as the HUD and the track panel show them: a text of any length is cut to its first
// lines and columns, with a last line saying what was left out (the whole goes to stderr).
#pragma once

#include <cstddef>
#include <string>

// Lines and characters per line shown; far below what one frame's 16-bit vertex indices hold
// (16 384 glyphs).
constexpr std::size_t shownLines = 8;
constexpr std::size_t shownColumns = 200;

std::string shownText(const std::string& text, std::size_t lines = shownLines,
                      std::size_t columns = shownColumns);
