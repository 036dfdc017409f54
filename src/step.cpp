#include "step.h"

#include <cstdlib>

#include "level.h"
#include "state.h"

void m(int dx, int dy) {
  // The target is named, not held: each use re-reads x, y, dx and dy.
  auto target = [&]() -> int& { return d[x + sign(dx)][y + sign(dy)]; };

  if (d[x][y] == T) {
    // The player's step: take an item, strike, or take the stairs. A taken
    // item leaves floor behind, so the common end then moves onto its cell.
    if (target() == '\'') {
      p += L;
      target() = e;
    }
    if (target() == '*') {
      l = p;
      target() = e;
    }
    if (target() == '$') {
      v += L * L;
      target() = e;
    }
    if (target() == '/') {
      int r = rand();
      w = std::abs(r % 4 + L - 3) + 1;
      target() = e;
    }
    if (target() > u) {
      int r = rand();
      target() -= r % w + a + 1;
      // The remainder drops the moved flag, so a monster that has already
      // stepped this turn dies by the same rule, and so does flagged floor.
      if (target() % K <= u) {
        int s = rand();
        target() = k[9 + s % 5];
        j++;
        dx = dy = 0;  // from here on the target is the player's own cell
      }
    }
    if (target() == '>') N();
    a = c == 52;  // only "5" readies the bonus; after N, c is 256
  } else if (target() == T) {
    // Any other mover strikes the player with its remaining hit points; a
    // fatal blow leaves floor, which the common end then moves it onto.
    l -= d[x][y] - u;
    if (l <= 0) target() = e;
  }

  if (target() == e) {
    target() = d[x][y] | K;
    d[x][y] = e;
  } else if (target() < T && dx * dy != 0) {
    // A diagonal step into wall, item or stairs slides: horizontal part,
    // then vertical part, each a whole step from whatever is then at the
    // cursor.
    m(dx, 0);
    m(0, dy);
  }
}
