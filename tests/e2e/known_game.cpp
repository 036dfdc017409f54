#include "known_game.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "level.h"
#include "state.h"

// The generator runs here without a screen to clear.
void clear_screen() {}

namespace {

int distance(int column_a, int row_a, int column_b, int row_b) {
  return std::max(std::abs(column_a - column_b), std::abs(row_a - row_b));
}

// Level 1 as the game makes it from seed: the player's cell and whether the
// tests' moves around it are safe.
bool suits(unsigned seed, Cell& start) {
  L = 0;
  srand(seed);
  N();
  int px = -1;
  int py = -1;
  for (int row = 0; row < 23; row++)
    for (int column = 0; column < T; column++)
      if (d[column][row] == T) {
        px = column;
        py = row;
      }
  if (px < 0 || py < 1 || py + 4 > 21 || px + 4 > 62) return false;
  for (int right = -1; right <= 1; right++)
    for (int down = -1; down <= 1; down++)
      if ((right || down) && d[px + right][py + down] != e) return false;
  bool wall_below = false;
  for (int i = 1; i <= 4; i++) {
    if (d[px + i][py] != e || d[px + 4][py + i] != e) return false;
    wall_below = wall_below || d[px][py + i] == '#';
  }
  if (!wall_below) return false;
  for (int row = 0; row < 23; row++)
    for (int column = 0; column < T; column++) {
      if (d[column][row] < u) continue;
      for (int i = 0; i <= 4; i++)
        if (distance(column, row, px + i, py) < 10 || distance(column, row, px + 4, py + i) < 10) return false;
    }
  start = {py, px};
  return true;
}

}  // namespace

const KnownGame& known_game() {
  static const KnownGame game = [] {
    Cell start{};
    for (unsigned seed = 1; seed < 20000; seed++)
      if (suits(seed, start)) return KnownGame{seed, start};
    throw std::runtime_error("no seed below 20000 makes a level 1 the tests can play");
  }();
  return game;
}
