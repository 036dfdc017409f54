// What the tests know about the game they start: the dungeon of the default
// seed and the first frame of every game, and waits built on them.
#pragma once

#include <string>

#include "game_terminal.h"

// A dungeon the tests can play without meeting anything: a seed, found by
// the game's own level generator, whose level 1 has the player with floor on
// all eight sides, four cells of floor to the right and four more below the
// last of them, a wall within four cells straight down (so that the order of
// those steps shows), and no monster that could reach that path within
// eight turns.
struct KnownGame {
  unsigned seed;
  Cell start;  // where the player stands
};
const KnownGame& known_game();

inline constexpr int status_row = 23;
// The status line of a new game: hit points 18 of 18, no mana, weapon d1,
// level 1, no gold, no bonus.
inline const std::string first_status = "HP:18/18 M:0 W:d1 L1 $0   ";

inline std::string status_line(const GameTerminal& t) {
  return t.text(status_row, 0, static_cast<int>(first_status.size()));
}

inline Cell step(Cell from, int right, int down) { return {from.row + down, from.column + right}; }

// The turn's frame is complete: the terminal cursor waits on the "@" at cell.
// (While a frame is being written the cursor can pass over an old "@", but it
// comes to rest on the player only at the end.)
inline auto player_waits_at(Cell cell) {
  return [cell](const GameTerminal& t) { return t.cursor() == cell && t.glyph(cell) == U'@'; };
}

// The first frame of a game is complete.
inline bool first_frame(const GameTerminal& t) {
  return status_line(t) == first_status && player_waits_at(known_game().start)(t);
}

// The first thing written over the player's cell after the frame: the echo
// of the first key that yielded a code, or the next frame.
inline auto player_covered(Cell cell) {
  return [cell](const GameTerminal& t) { return t.glyph(cell) != U'@'; };
}

// Starts a game on the known dungeon (options as for GameOptions) and waits
// for its first frame.
#define START_GAME(t, ...)                  \
  GameTerminal t(GameOptions{__VA_ARGS__}); \
  ASSERT_TRUE(t.wait_for(first_frame)) << t.screen_dump()
