// The map view and the status line, drawn through real curses and read back
// from the curses window: characters, colour pairs and attributes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <curses.h>

#include "draws.h"
#include "game_state.h"
#include "level.h"
#include "screen.h"
#include "state.h"
#include "turn.h"

namespace {

constexpr int window_rows = 24;
constexpr int window_columns = 80;

// A curses screen of its own on /dev/null, 24 x 80 whatever the caller's
// terminal, with the game's colour pairs set up.
class MapView : public ::testing::Test {
 protected:
  virtual const char* terminal_type() const { return "xterm-256color"; }

  void SetUp() override {
    reset_game_state();
    out_ = std::fopen("/dev/null", "w");
    in_ = std::fopen("/dev/null", "r");
    ASSERT_NE(out_, nullptr);
    ASSERT_NE(in_, nullptr);
    use_env(FALSE);  // neither LINES/COLUMNS nor the caller's terminal size
    screen_ = newterm(terminal_type(), out_, in_);
    ASSERT_NE(screen_, nullptr) << "no terminfo entry for " << terminal_type();
    set_term(screen_);
    resizeterm(window_rows, window_columns);
    set_up_colours();
  }

  void TearDown() override {
    if (screen_ != nullptr) {
      // No bold anywhere: none of the eight colours may turn bright.
      EXPECT_EQ(bold_cells(), 0);
      endwin();
      delscreen(screen_);
    }
    if (out_ != nullptr) std::fclose(out_);
    if (in_ != nullptr) std::fclose(in_);
  }

  // One turn's drawing: pass 1, the map view, the status line.
  static void frame() {
    clear_moved_flags_and_find_player();
    draw_map();
    print_status();
  }

  // The window's cell at (row, col), leaving the window's cursor where it was.
  static chtype cell(int row, int col) {
    int cursor_row = 0;
    int cursor_col = 0;
    getyx(stdscr, cursor_row, cursor_col);
    chtype ch = mvwinch(stdscr, row, col);
    wmove(stdscr, cursor_row, cursor_col);
    return ch;
  }
  static char glyph_at(int row, int col) { return static_cast<char>(cell(row, col) & A_CHARTEXT); }
  static int pair_at(int row, int col) { return static_cast<int>(PAIR_NUMBER(cell(row, col) & A_COLOR)); }

  // What the window shows in a block, rows joined by newlines.
  static std::string shown(int left, int top, int width, int height) {
    std::string text;
    for (int row = top; row < top + height; row++) {
      if (row > top) text += '\n';
      for (int col = left; col < left + width; col++) text += glyph_at(row, col);
    }
    return text;
  }
  static std::string row_text(int row) { return shown(0, row, window_columns, 1); }

  // The colour pair of each cell in a block, one digit per cell.
  static std::string pairs(int left, int top, int width, int height) {
    std::string text;
    for (int row = top; row < top + height; row++) {
      if (row > top) text += '\n';
      for (int col = left; col < left + width; col++) {
        int pair = pair_at(row, col);
        text += pair < 10 ? static_cast<char>('0' + pair) : '?';
      }
    }
    return text;
  }
  static std::string row_pairs(int row) { return pairs(0, row, window_columns, 1); }

  // Non-blank cells of the map rows 0 to 22.
  static int drawn_map_cells() {
    int n = 0;
    for (int row = 0; row < 23; row++)
      for (int col = 0; col < window_columns; col++) n += glyph_at(row, col) != ' ';
    return n;
  }

  static int bold_cells() {
    int n = 0;
    for (int row = 0; row < window_rows; row++)
      for (int col = 0; col < window_columns; col++) n += (cell(row, col) & A_BOLD) != 0;
    return n;
  }

  // The status line as it stands on row 23, padded to the window's width.
  static std::string status_row(const std::string& text) {
    return text + std::string(static_cast<std::size_t>(window_columns) - text.size(), ' ');
  }

  // Open floor in the rectangle, the player at (10, 10) in it, wall around.
  static void open_room(int left, int top, int right, int bottom) {
    load_map({"@"}, 10, 10);
    for (int col = left; col <= right; col++)
      for (int row = top; row <= bottom; row++)
        if (d[col][row] != T) d[col][row] = e;
  }

  SCREEN* screen_ = nullptr;
  FILE* out_ = nullptr;
  FILE* in_ = nullptr;
};

TEST_F(MapView, EachGlyphInSightHasItsColour) {
  // The eight neighbours of the player are always in sight.
  load_map({"'*$", ".@c", "#>/"}, 9, 9);
  L = 1;
  frame();
  EXPECT_EQ(shown(9, 9, 3, 3), "'*$\n.@c\n#>/");
  EXPECT_EQ(pairs(9, 9, 3, 3), "234\n567\n888");
}

TEST_F(MapView, OutOfSightFloorAndMonstersAreBlackOnBlackAndTheRestIsNotDrawn) {
  // Behind the wall at (11, 10): floor, monsters, items, stairs, a weapon.
  load_map({"@#.c$'*>/r"}, 10, 10);
  L = 1;
  frame();
  EXPECT_EQ(shown(9, 10, 12, 1), "#@#.c     r ");
  EXPECT_EQ(pairs(9, 10, 12, 1), "868110000010");
}

TEST_F(MapView, EightNeighboursAlwaysInSightAndNothingBehindThem) {
  // A player walled in on every side, also against the border rows and
  // columns that the generator never opens (they show as white walls too).
  struct Case {
    int col, row;
  } cases[] = {{10, 10}, {2, 1}, {62, 20}};
  for (const Case& where : cases) {
    SCOPED_TRACE(testing::Message() << "player at " << where.col << "," << where.row);
    reset_game_state();
    wclear(stdscr);
    load_map({"@"}, where.col, where.row);
    L = 1;
    frame();
    EXPECT_EQ(shown(where.col - 1, where.row - 1, 3, 3), "###\n#@#\n###");
    EXPECT_EQ(pairs(where.col - 1, where.row - 1, 3, 3), "888\n868\n888");
    // Only those nine and column 0.
    EXPECT_EQ(drawn_map_cells(), 9 + 23);
  }
}

TEST_F(MapView, WallsFacingThePlayerAreDrawnWallsBehindThemAreNot) {
  open_room(11, 10, 13, 10);  // a corridor: "@..." on row 10 from column 10
  L = 1;
  frame();
  EXPECT_EQ(shown(7, 8, 9, 5),
            "         \n"
            "  ###### \n"
            "  #@...# \n"
            "  ###### \n"
            "         ");
}

TEST_F(MapView, SightRuleExamples) {
  // The player at (10, 10) in open floor from (3, 3) to (17, 17); one wall is
  // put in, and the floor cell `target` is in sight (blue) or not (pair 1).
  struct Case {
    const char* what;
    int target_col, target_row;
    int wall_col, wall_row;  // -1: no wall
    int pair;
  } cases[] = {
      // One row off: judged by the player's own row, columns 10 to 14.
      {"row below, clear", 15, 11, -1, -1, 5},
      {"row below, wall next to the player", 15, 11, 11, 10, 1},
      {"row below, wall in column 14", 15, 11, 14, 10, 1},
      {"row below, wall above the target itself", 15, 11, 15, 10, 5},
      {"row below, wall on the target's row", 15, 11, 12, 11, 5},
      // Leftwards the offsets truncate toward zero: columns 10 down to 6.
      {"row above to the left, wall in column 6", 5, 9, 6, 10, 1},
      {"row above to the left, wall in column 5", 5, 9, 5, 10, 5},
      // One column off: judged by the player's own column.
      {"column right, wall in row 12", 11, 15, 10, 12, 1},
      {"column right, wall on the target's column", 11, 15, 11, 12, 5},
      // Two straight off: judged by the cell between.
      {"two below, clear", 10, 12, -1, -1, 5},
      {"two below, wall between", 10, 12, 10, 11, 1},
      {"two below, wall beside the cell between", 10, 12, 11, 11, 5},
      {"two above, wall between", 10, 8, 10, 9, 1},
      {"two right, wall between", 12, 10, 11, 10, 1},
      {"two left, wall between", 8, 10, 9, 10, 1},
      {"two left, clear", 8, 10, -1, -1, 5},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    open_room(3, 3, 17, 17);
    if (t.wall_col >= 0) d[t.wall_col][t.wall_row] = '#';
    L = 1;
    frame();
    EXPECT_EQ(glyph_at(t.target_row, t.target_col), '.');
    EXPECT_EQ(pair_at(t.target_row, t.target_col), t.pair);
  }
}

TEST_F(MapView, WallsAndItemsStayOnceSeenFloorAndMonstersDarkenOutOfSight) {
  load_map({"@.$c."}, 10, 10);
  L = 1;
  frame();
  EXPECT_EQ(shown(9, 9, 7, 3), "#######\n#@.$c.#\n#######");
  EXPECT_EQ(pairs(9, 9, 7, 3), "8888888\n8654758\n8888888");

  // The player is carried off to a walled-in cell far away and the monster
  // steps right: nothing of the corridor is in sight any more.
  d[10][10] = e;
  d[30][10] = T;
  d[13][10] = e;
  d[14][10] = 'c';
  frame();
  EXPECT_EQ(shown(9, 9, 7, 3), "#######\n#..$.c#\n#######");
  EXPECT_EQ(pairs(9, 9, 7, 3), "8888888\n8114118\n8888888");
  EXPECT_EQ(shown(29, 9, 3, 3), "###\n#@#\n###");
  EXPECT_EQ(pairs(29, 9, 3, 3), "888\n868\n888");
}

TEST_F(MapView, ColumnZeroEveryFrameInPairOneAndNothingOfRow22) {
  load_map({"@"}, 10, 10);
  L = 1;
  // Whatever the window showed before, e.g. an echoed key.
  for (int row = 0; row < 23; row++) mvwhline(stdscr, row, 0, 'X', window_columns);
  frame();
  for (int row = 0; row < 23; row++) {
    SCOPED_TRACE(testing::Message() << "row " << row);
    EXPECT_EQ(glyph_at(row, 0), '#');
    EXPECT_EQ(pair_at(row, 0), 1);
  }
  EXPECT_EQ(row_text(22), status_row("#"));
  EXPECT_EQ(row_pairs(22), "1" + std::string(window_columns - 1, '0'));
}

TEST_F(MapView, StatusLine) {
  struct Case {
    const char* what;
    int l, p, j, w, L, v, a;
    const char* text;
  } cases[] = {
      {"first frame", 18, 18, 0, 1, 1, 0, 0, "HP:18/18 M:0 W:d1 L1 $0   "},
      {"bonus flag", 18, 18, 0, 1, 1, 0, 1, "HP:18/18 M:0 W:d1 L1 $0 ! "},
      {"dead", -7, 18, 0, 1, 1, 0, 0, "HP:-7/18 M:0 W:d1 L1 $0   "},
      {"later on", 57, 30, 12, 10, 8, 204, 0, "HP:57/30 M:12 W:d10 L8 $204   "},
      {"level 9, bonus flag set", 18, 18, 0, 1, 9, 0, 1, "HP:18/18 M:0 W:d1 L9 $0 W "},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    wclear(stdscr);
    load_map({"@"}, 10, 10);
    l = t.l;
    p = t.p;
    j = t.j;
    w = t.w;
    L = t.L;
    v = t.v;
    a = t.a;
    frame();
    EXPECT_EQ(row_text(23), status_row(t.text));
    EXPECT_EQ(row_pairs(23), std::string(window_columns, '0'));
  }
}

TEST_F(MapView, ShorterStatusLineLeavesTheOldEndStanding) {
  // Row 23 is never cleared: the new line is written over the old one.
  struct Case {
    const char* what;
    int l, j;
    const char* text;
  } cases[] = {
      {"one shorter: the final blank covers the old bonus", 9, 10, "HP:9/18 M:10 W:d1 L1 $0    "},
      {"two shorter: the old bonus stays after the final blank", 9, 4, "HP:9/18 M:4 W:d1 L1 $0   ! "},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    wclear(stdscr);
    load_map({"@"}, 10, 10);
    L = 1;
    l = 10;
    j = 10;
    a = 1;
    frame();
    EXPECT_EQ(row_text(23), status_row("HP:10/18 M:10 W:d1 L1 $0 ! "));
    l = t.l;
    j = t.j;
    a = 0;
    frame();
    EXPECT_EQ(row_text(23), status_row(t.text));
  }
}

TEST_F(MapView, LevelNineStaysDark) {
  L = 8;
  draws::seed(9);
  N();
  ASSERT_EQ(L, 9);
  ASSERT_EQ(count_cells(T), 0);
  int last_tunnel_row = g;
  frame();
  EXPECT_EQ(f, 0);
  EXPECT_EQ(g, last_tunnel_row);
  // Only floor, monsters and column 0, and all of them black on black.
  int monsters = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) {
      int value = d[col][row];
      monsters += value / u == 1;
      // Row 22 is wiped from column 1 by the status line's newline.
      bool drawn = col == 0 || (row < 22 && (value == e || value / u == 1));
      SCOPED_TRACE(testing::Message() << "cell " << col << "," << row);
      EXPECT_EQ(glyph_at(row, col), drawn ? static_cast<char>(value) : ' ');
      EXPECT_EQ(pair_at(row, col), drawn ? 1 : 0);
      if (HasFailure()) return;
    }
  EXPECT_GT(monsters, 0);
  EXPECT_EQ(row_text(23), status_row("HP:18/18 M:0 W:d1 L9 $0 W "));
}

TEST_F(MapView, NewLevelClearsTheScreen) {
  // A room full of gold, all of it seen, and a long status line.
  open_room(2, 1, 62, 20);
  for (int col = 2; col <= 62; col++)
    for (int row = 1; row <= 20; row++)
      if (d[col][row] == e) d[col][row] = '$';
  L = 1;
  v = 123456789;
  frame();
  ASSERT_EQ(glyph_at(20, 62), '$');

  draws::seed(5);
  N();
  ASSERT_EQ(L, 2);
  for (int row = 0; row < window_rows; row++) EXPECT_EQ(row_text(row), status_row("")) << "row " << row;

  v = 0;
  frame();
  // Whatever shows on the map is the new level's; the old gold is gone.
  for (int row = 0; row < 22; row++)
    for (int col = 0; col < T; col++)
      if (glyph_at(row, col) != ' ') {
        EXPECT_EQ(glyph_at(row, col), static_cast<char>(d[col][row])) << "cell " << col << "," << row;
        if (HasFailure()) return;
      }
  EXPECT_EQ(glyph_at(g, f), '@');
  EXPECT_EQ(pair_at(g, f), 6);
  EXPECT_EQ(row_text(23), status_row("HP:18/18 M:0 W:d1 L2 $0   "));
}

// A terminal without colours cannot draw black on black: what would be is a
// blank instead, so nothing out of sight ever shows.
class MapViewWithoutColours : public MapView {
 protected:
  const char* terminal_type() const override { return "vt100"; }
};

TEST_F(MapViewWithoutColours, OutOfSightIsBlank) {
  ASSERT_FALSE(has_colors());
  load_map({".@#.c$"}, 9, 10);
  L = 1;
  // What the cells showed before: the floor and the monster in sight earlier.
  for (int row = 0; row < 23; row++) mvwaddch(stdscr, row, 0, 'X');
  mvwaddstr(stdscr, 10, 12, ".c");
  frame();
  EXPECT_EQ(shown(8, 9, 8, 3), "####    \n#.@#    \n####    ");
  for (int row = 0; row < 23; row++) EXPECT_EQ(glyph_at(row, 0), ' ') << "row " << row;
  EXPECT_EQ(row_text(23), status_row("HP:18/18 M:0 W:d1 L1 $0   "));
}

}  // namespace
