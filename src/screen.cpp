#include "screen.h"

#include <curses.h>

#include "level.h"
#include "state.h"

void set_up_colours() {
  // By curses name: implementations number the colours differently.
  const short palette[8] = {COLOR_BLACK, COLOR_RED,     COLOR_GREEN, COLOR_YELLOW,
                            COLOR_BLUE,  COLOR_MAGENTA, COLOR_CYAN,  COLOR_WHITE};
  start_color();
  for (b = 0; b < 8; b++) init_pair(static_cast<short>(b + 1), palette[b], COLOR_BLACK);
}

void clear_screen() { wclear(stdscr); }

void draw_map() {
  for (y = 0; y < 23; y++)
    for (x = 0; x < T; x++) {
      // Colour index: the first match in k below the cap 8 - value / 96, or
      // the cap itself ("#", ">", "/" and every monster end on the cap).
      for (b = 0; b < 8 - d[x][y] / u && d[x][y] != k[b]; b++) {
      }
      // Sight: any wall among the 96 samples on the way from (f, g) hides
      // the cell. The target itself is never sampled, so facing walls show.
      for (c = 0; c < u; c++)
        if (d[f + (x - f) * c / u][g + (y - g) * c / u] == '#') b = 1;
      bool keeps_last_drawn = d[x][y] != e && d[x][y] < u && b <= 1;
      if (keeps_last_drawn && x != 0) continue;
      // Without colours black on black would show; a blank hides as well.
      if (b == 1 && !has_colors())
        mvaddch(y, x, ' ');
      else
        mvaddch(y, x, static_cast<chtype>(COLOR_PAIR(b)) | static_cast<chtype>(d[x][y]));
    }
}

void print_status() {
  printw("\nHP:%d/%d M:%d W:d%d L%d $%d %c ", l, p, j, w, L, v, L == 9 ? 'W' : a + 32);
}
