// The turn: the passes over the map in scan order and the loop that runs them.
#pragma once

// Pass 1: drops every moved flag (value % 256) and sets f, g to the last "@"
// in scan order; with no "@" on the map f and g keep their values.
void clear_moved_flags_and_find_player();

// Pass 3: every monster without the moved flag steps toward (f, g), one at a
// time in scan order.
void move_monsters();

// Pass 4: the "@" without the moved flag acts on c: the teleport spell for
// "a" (c == 96), else a step m(c % 3 - 1, 17 - c / 3). The scan goes on after
// wherever m, N or E left the cursor.
void act_player();

// What the front end hands to each turn: it draws the frame and returns the
// code of one key, 0 to 255, or no_more_keys when play must stop.
using ShowFrameAndReadKey = int (*)();
inline constexpr int no_more_keys = -1;

// Runs turns until one ends with c at 80 ("Q" read, and no new level made in
// that turn since). Returns true then, false when the front end had no key.
bool play(ShowFrameAndReadKey show_frame_and_read_key);
