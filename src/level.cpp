#include "level.h"

#include <cstdlib>

#include "state.h"

namespace {

// Every cell of the window becomes wall; the cursor ends past the last row.
void fill_with_wall() {
  for (y = 0; y < 23; y++)
    for (x = 0; x < T; x++) d[x][y] = '#';
}

// One tunnel: 256 steps of the walker at the cursor, each carving the cell it
// stands on and then moving one cell along a randomly chosen axis toward
// (f, g). A step along an axis already at the target still counts.
void dig_tunnel() {
  for (c = 0; c < K; c++) {
    d[x][y] = e;
    if (rand() % 2)
      x += sign(f - x);
    else
      y += sign(g - y);
  }
}

// True when some cell of the window is plain floor, so that E can stop.
bool window_has_floor() {
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++)
      if (d[col][row] == e) return true;
  return false;
}

}  // namespace

void N() {
  fill_with_wall();
  x = 9;
  y = 9;
  L++;
  for (b = 0; b <= 20; b++) {
    f = rand() % 61 + 2;
    g = rand() % 20 + 1;
    dig_tunnel();
  }
  f = 0;
  // The parity of the last target row picks the item window: k[2..10] holds
  // a third "'", k[3..11] a weapon instead. Both hold exactly one "@".
  for (b = 0; b <= 8; b++)
    if (L <= 8) E(k[2 + g % 2 + b]);
  for (b = 0; b < 2 * L + g % 3; b++) {
    int r = rand();
    E(r % (L * 9 / 5) + 99);
  }
  clear_screen();
}

void E(int t) {
  // A cave with no floor left would make the search below spin for ever;
  // then nothing is placed and the cursor stays put. A real level always has
  // hundreds of floor cells, so this never changes a draw there.
  if (!window_has_floor()) return;
  do {
    x = rand() % T;
    y = rand() % 23;
  } while (d[x][y] != e);
  d[x][y] = t;
}
