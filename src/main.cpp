// ninedeep: open the terminal, make level 1, play until "Q", give it back.
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <curses.h>

#include "keys.h"
#include "level.h"
#include "screen.h"
#include "state.h"
#include "turn.h"

namespace {

// Draws the frame and reads the turn's key with the terminal cursor on the
// player (f, g); draws again whenever the terminal changes size meanwhile.
int show_frame_and_read_key() {
  for (;;) {
    draw_map();
    print_status();
    int key = read_key(g, f);
    if (key == key_gone) return no_more_keys;
    if (key != key_resized) return key;
  }
}

}  // namespace

int main() {
  std::setlocale(LC_ALL, "");
  catch_stop_signals();
  int rows = 0;
  int columns = 0;
  if (!measure_terminal(rows, columns)) {
    std::fprintf(stderr, "ninedeep: needs a terminal of at least %d columns and %d rows; this one has %d columns and %d rows\n",
                 screen_columns, screen_rows, columns, rows);
    return 1;
  }
  WINDOW* window = initscr();
  // The dungeon differs from run to run only as far as this address does.
  std::srand(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)));
  raw();
  // The key read decodes and echoes keys itself, so that sequences of bytes
  // become one key and keys that yield nothing show nothing.
  noecho();
  nonl();  // Enter is 13, not 10
  send_keypad_sequences();
  set_up_colours();
  N();
  bool quit = play(show_frame_and_read_key);
  endwin();
  if (quit) return 0;
  if (stop_signal() != 0) die_by_stop_signal();
  std::fputs("ninedeep: the terminal has gone away\n", stderr);
  return 1;
}
