#include "turn.h"

#include "level.h"
#include "state.h"
#include "step.h"

void clear_moved_flags_and_find_player() {
  for (y = 0; y < 23; y++)
    for (x = 0; x < T; x++) {
      d[x][y] %= K;
      if (d[x][y] == T) {
        f = x;
        g = y;
      }
    }
}

void move_monsters() {
  // value / 96 is 1 only for an unflagged monster; a flagged one gives 3 or 4.
  for (y = 0; y < 23; y++)
    for (x = 0; x < T; x++)
      if (d[x][y] / u == 1) m(f - x, g - y);
}

void act_player() {
  for (y = 0; y < 23; y++)
    for (x = 0; x < T; x++)
      if (d[x][y] == T) {
        if (c != u) {
          // Division and remainder truncate toward zero: c = -1 (code 0)
          // steps down-left, c = 256 (after stairs) steps up.
          m(c % 3 - 1, 17 - c / 3);
        } else if (j > 5) {
          j -= 6;
          d[x][y] = e;
          E(T);
        }
      }
}

bool play(ShowFrameAndReadKey show_frame_and_read_key) {
  while (c != 80) {
    clear_moved_flags_and_find_player();
    int key = show_frame_and_read_key();
    if (key == no_more_keys) return false;
    c = key - 1;
    move_monsters();
    act_player();
  }
  return true;
}
