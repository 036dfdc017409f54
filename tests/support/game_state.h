// Resetting the game's globals and building small maps from text, for tests.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Puts every global back to its start value (grid all 0, player record as
// at program start, working variables 0) and resets the scripted draws.
void reset_game_state();

// Fills the map window with wall, then writes the rows of text with their
// top-left corner at (left, top); each character is its own cell value
// ("c" is a monster of 3 hit points, "@" the player, "." floor).
void load_map(std::initializer_list<std::string_view> rows, int left = 0, int top = 0);

// The cells of rows top.. top+height-1, columns left.. left+width-1 as text;
// a cell carrying the moved flag shows as its character in upper case when
// it is a monster, "+" for flagged floor, "&" for a flagged player.
std::string map_text(int left, int top, int width, int height);

// The whole 64 x 23 window as text, rows joined by newlines.
std::string whole_map_text();

// Number of cells in the window equal to value.
int count_cells(int value);

// True when every cell outside columns 0-63 and rows 0-22 of d is still 0.
bool outside_window_untouched();
