// The console front end's drawing: colours, the map view and the status line.
#pragma once

// The terminal needs the 23 map rows and the status line, and the map's 64
// columns.
inline constexpr int screen_rows = 24;
inline constexpr int screen_columns = 64;

// Defines colour pairs 1 to 8: black, red, green, yellow, blue, magenta,
// cyan and white, each on black. Uses b as its counter.
void set_up_colours();

// Pass 2: draws every cell under the sight rule from (f, g). Floor and
// monsters are always drawn, black on black when out of sight; walls, items,
// stairs and the player only while in sight, so that what was seen stays
// shown; column 0 on every turn. Leaves b, c as scratch and x, y at 64, 23.
void draw_map();

// Prints the status line from the cursor that draw_map left on row 22: its
// newline clears the rest of that row and starts row 23.
void print_status();
