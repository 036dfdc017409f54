// The level generator N and the placement routine E against scripted draws,
// and the shape of real levels over many seeded games.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "draws.h"
#include "game_state.h"
#include "level.h"
#include "screen_stub.h"
#include "state.h"

namespace {

constexpr int kTunnelDraws = 21 * 258;  // 21 tunnels: target column, target row, 256 steps
constexpr int kWindowCells = 64 * 23;
constexpr int kColumnStep = 1;  // an odd step draw moves the walker along the columns
constexpr int kRowStep = 2;     // an even one along the rows

// One tunnel toward (col, row): its two target draws, then 256 step draws all
// equal to step. A draw v gives column v % 61 + 2 and row v % 20 + 1.
void script_tunnel(int col, int row, int step) {
  draws::script({col - 2, row - 1});
  draws::script_repeated(step, K);
}

// The first 20 tunnels of the test cave: the first walks along row 9 from
// (9, 9) to column 62, the other 19 start on their target. Row 9 is floor
// from column 9 to 62, and the walker stands at (62, 9).
void script_corridor() {
  script_tunnel(62, 9, kColumnStep);
  for (int i = 0; i < 19; i++) script_tunnel(62, 9, kRowStep);
}

// The corridor, then a last tunnel along column 62 to last_row.
void script_cave(int last_row) {
  script_corridor();
  script_tunnel(62, last_row, kRowStep);
}

void script_try(int col, int row) { draws::script({col, row}); }

// The nine items on row 9, columns 9 to 17, each at its first try.
void script_items_on_row_9() {
  for (int col = 9; col <= 17; col++) script_try(col, 9);
}

// count monsters, each value drawn as 0 (the lowest letter), on row 9 from
// first_col on.
void script_plain_monsters(int count, int first_col) {
  for (int i = 0; i < count; i++) {
    draws::script({0});
    script_try(first_col + i, 9);
  }
}

// Draws past the script come from a fixed sequence: a routine that takes too
// many draws then fails the count checks instead of spinning on a stream of
// unscripted draws while it looks for floor.
void end_script() { draws::seed(7); }

int wall_free_cells() { return kWindowCells - count_cells('#'); }

int monster_cells() {
  int n = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) n += d[col][row] / u == 1;
  return n;
}

void fill_window_with(int value) {
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) d[col][row] = value;
}

class LevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_game_state();
    clear_screen_calls = 0;
  }
};

// ---- tunnels ----------------------------------------------------------------

TEST_F(LevelTest, EveryTunnelTakes258DrawsWhateverItsTarget) {
  // The last tunnel starts at (62, 9), the end of the row 9 corridor.
  struct Case {
    const char* name;
    int col_draw, row_draw, step;
    int last_row;              // the target row it leaves in g
    int monsters;              // 2 on level 1, + g % 3
    int cave_cells;            // cells not wall afterwards
    int probe_col, probe_row;  // the far end of the last tunnel's path
  };
  const Case cases[] = {
      {"starts on its target", 60, 8, kColumnStep, 9, 2, 54, 62, 9},
      {"walks back to column 2, row target never approached", 0, 19, kColumnStep, 20, 4, 61, 2, 9},
      {"climbs to row 1", 60, 0, kRowStep, 1, 3, 62, 62, 1},
      {"target draws far above the range", 60 + 61 * 1000, 19 + 20 * 1000, kRowStep, 20, 4, 65, 62, 20},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    reset_game_state();
    fill_window_with('c');  // the old level: every cell must be rebuilt
    script_corridor();
    draws::script({t.col_draw, t.row_draw});
    draws::script_repeated(t.step, K);
    script_items_on_row_9();
    script_plain_monsters(t.monsters, 18);
    end_script();

    N();

    EXPECT_EQ(draws::left(), 0);
    EXPECT_EQ(draws::taken(), kTunnelDraws + 2 * 9 + 3 * t.monsters);
    EXPECT_EQ(g, t.last_row);
    EXPECT_EQ(wall_free_cells(), t.cave_cells);
    EXPECT_NE(d[t.probe_col][t.probe_row], '#');
    EXPECT_EQ(map_text(9, 9, 9, 1), g % 2 ? "*$.@'>$'/" : "'*$.@'>$'");
  }
}

TEST_F(LevelTest, WalkerCarvesBeforeItMovesSoItsLastMoveLeavesWall) {
  // The last tunnel aims at (62, 10) from (62, 9): 255 column steps go
  // nowhere, the very last draw moves it down one row after the final carve.
  script_corridor();
  draws::script({60, 9});
  draws::script_repeated(kColumnStep, K - 1);
  draws::script({kRowStep});
  script_items_on_row_9();
  script_plain_monsters(3, 18);
  end_script();

  N();

  EXPECT_EQ(draws::left(), 0);
  EXPECT_EQ(draws::taken(), kTunnelDraws + 2 * 9 + 3 * 3);
  EXPECT_EQ(g, 10);
  EXPECT_EQ(d[62][10], '#');
  EXPECT_EQ(map_text(8, 8, 56, 3), std::string(56, '#') + "\n" +                        //
                                       "#'*$.@'>$'ccc" + std::string(42, '.') + "#\n" +  //
                                       std::string(56, '#'));
}

// ---- items --------------------------------------------------------------------

TEST_F(LevelTest, ItemsComeFromTheWindowChosenByTheLastTunnelRow) {
  struct Case {
    const char* name;
    int last_row;
    std::vector<std::pair<int, int>> tries;  // every placement try, in order
    int monsters;
    const char* row_9;  // columns 9 to 22 afterwards
  };
  const Case cases[] = {
      {"even row: third \"'\", no weapon; \"@\" lands where \".\" went",
       10,
       {{9, 9},                      // "'"
        {10, 10}, {64 + 10, 23 + 9},  // "*": a wall first, then (10, 9) through the remainders
        {11, 9},                     // "$"
        {12, 9},                     // "."
        {12, 9},                     // "@", on the "." just placed
        {13, 9},                     // "'"
        {9, 9}, {14, 9},             // ">": the first "'" is in the way
        {15, 9},                     // "$"
        {16, 9}},                    // "'"
       3,
       "'*$@'>$'ccc..."},
      {"odd row: weapon last; \".\" stays floor and still takes its try",
       11,
       {{9, 9}, {10, 9}, {11, 9}, {12, 9}, {13, 9}, {14, 9}, {15, 9}, {16, 9}, {17, 9}},
       4,
       "*$.@'>$'/cccc."},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    reset_game_state();
    script_cave(t.last_row);
    for (auto [col, row] : t.tries) script_try(col, row);
    int first_monster_col = 9 + static_cast<int>(std::string(t.row_9).find('c'));
    script_plain_monsters(t.monsters, first_monster_col);
    end_script();

    N();

    EXPECT_EQ(draws::left(), 0);
    EXPECT_EQ(draws::taken(), kTunnelDraws + 2 * static_cast<int>(t.tries.size()) + 3 * t.monsters);
    EXPECT_EQ(map_text(9, 9, 14, 1), t.row_9);
  }
}

// ---- monsters and what N leaves behind ---------------------------------------

TEST_F(LevelTest, MonsterCountAndLettersFollowTheLevelAndTheLastTunnelRow) {
  // The first two monsters' value draws are chosen per level to show the top
  // letter and the wrap-around of the remainder; the rest draw 0, "c".
  struct Case {
    int level;
    int last_row;
    int first_draw, second_draw;
    const char* letters;  // in placement order; one per monster
  };
  const Case cases[] = {
      {1, 9, 0, 12345, "cc"},
      {2, 10, 2, 3, "ecccc"},
      {3, 11, 4, 7, "gecccccc"},
      {4, 12, 6, 7, "iccccccc"},
      {5, 1, 8, 67, "kgccccccccc"},
      {6, 20, 9, 10, "lccccccccccccc"},
      {7, 3, 11, 12, "nccccccccccccc"},
      {8, 19, 13, 14, "pcccccccccccccccc"},
      {9, 2, 15, 16, "rccccccccccccccccccc"},
      {9, 9, 31, 30, "rqcccccccccccccccc"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE("level " + std::to_string(t.level) + ", last tunnel row " + std::to_string(t.last_row));
    reset_game_state();
    clear_screen_calls = 0;
    L = t.level - 1;
    l = -3, p = 40, w = 7, j = 5, v = 123, a = 1;  // the player's standing carries over
    const std::string letters = t.letters;
    const int count = static_cast<int>(letters.size());
    const bool items = t.level <= 8;
    const int first_col = items ? 18 : 9;
    script_cave(t.last_row);
    if (items) script_items_on_row_9();
    for (int i = 0; i < count; i++) {
      draws::script({i == 0 ? t.first_draw : i == 1 ? t.second_draw : 0});
      // The value comes first: drawn after its position, the script would
      // slip by one draw and neither letters nor places would match.
      script_try(first_col + i, 9);
    }
    end_script();

    N();

    EXPECT_EQ(draws::left(), 0);
    EXPECT_EQ(draws::taken(), kTunnelDraws + (items ? 2 * 9 : 0) + 3 * count);
    EXPECT_EQ(map_text(first_col, 9, count + 1, 1), letters + ".");
    EXPECT_EQ(monster_cells(), count);
    EXPECT_EQ(count_cells('@'), items ? 1 : 0);
    EXPECT_EQ(count_cells('>'), items ? 1 : 0);
    // What N leaves in the shared variables.
    EXPECT_EQ(L, t.level);
    EXPECT_EQ(b, count);
    EXPECT_EQ(x, first_col + count - 1);  // on the last monster
    EXPECT_EQ(y, 9);
    EXPECT_EQ(c, 256);
    EXPECT_EQ(f, 0);
    EXPECT_EQ(g, t.last_row);
    EXPECT_EQ(clear_screen_calls, 1);
    EXPECT_EQ(l, -3);
    EXPECT_EQ(p, 40);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(j, 5);
    EXPECT_EQ(v, 123);
    EXPECT_EQ(a, 1);
  }
}

// ---- the placement routine -------------------------------------------------

TEST_F(LevelTest, PlacementPassesOverEverythingButPlainFloor) {
  load_map({"..", ".."}, 10, 5);
  d[10][5] = '$';
  d[11][5] = e + K;  // floor a slide flagged this turn
  d[10][6] = 'c';
  script_try(0, 0);                 // wall
  script_try(10 + 64, 5 + 23);      // (10, 5): an item
  script_try(11, 5);                // flagged floor
  script_try(10, 6);                // a monster
  script_try(11 + 128, 6 + 46);     // (11, 6): floor
  end_script();

  E('q');

  EXPECT_EQ(draws::taken(), 10);
  EXPECT_EQ(map_text(10, 5, 2, 2), "$+\ncq");
  EXPECT_EQ(x, 11);
  EXPECT_EQ(y, 6);
  EXPECT_EQ(count_cells('#'), kWindowCells - 4);
}

TEST_F(LevelTest, PlacingFloorChangesNoCellButMovesTheCursor) {
  load_map({"..."}, 20, 4);
  const std::string before = whole_map_text();
  script_try(21, 4);
  end_script();

  E(e);

  EXPECT_EQ(draws::taken(), 2);
  EXPECT_EQ(whole_map_text(), before);
  EXPECT_EQ(x, 21);
  EXPECT_EQ(y, 4);
}

TEST_F(LevelTest, PlacementWithNoFloorLeftPlacesNothingAndDraws) {
  struct Case {
    const char* name;
    void (*build)();
  };
  const Case cases[] = {
      {"all wall", [] { load_map({}); }},
      {"items, stairs, a monster, flagged floor and a flagged player",
       [] {
         load_map({"$'*/>@c  "}, 5, 5);
         d[12][5] = e + K;
         d[13][5] = T + K;
       }},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    reset_game_state();
    t.build();
    x = 33;
    y = 7;
    const std::string before = whole_map_text();

    end_script();
    alarm(2);  // a search for floor that never ends kills the test program instead of hanging it
    E(T);
    alarm(0);

    EXPECT_EQ(draws::taken(), 0);
    EXPECT_EQ(whole_map_text(), before);
    EXPECT_EQ(x, 33);
    EXPECT_EQ(y, 7);
  }
}

// ---- real levels ---------------------------------------------------------------

// The first rule a freshly made level breaks, or "" when it keeps them all.
std::string level_fault(int level) {
  static constexpr std::array<char, 10> top_letter = {0, 'c', 'e', 'g', 'i', 'k', 'l', 'n', 'p', 'r'};
  if (!outside_window_untouched()) return "a cell outside the window was written";
  if (L != level) return "L is " + std::to_string(L);
  if (c != 256 || f != 0 || g < 1 || g > 20) return "c, f, g left as " + std::to_string(c) + ", " + std::to_string(f) + ", " + std::to_string(g);
  if (d[9][9] == '#') return "(9, 9) is wall";
  int monsters = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) {
      const int cell = d[col][row];
      const std::string where = " at (" + std::to_string(col) + ", " + std::to_string(row) + ")";
      if ((col <= 1 || col == 63 || row == 0 || row >= 21) && cell != '#') return "no wall on the border" + where;
      if (cell / u == 1) {
        if (cell < 'c' || cell > top_letter[level]) return "monster " + std::to_string(cell) + where;
        monsters++;
      } else if (std::string("#.$'*/>@").find(static_cast<char>(cell)) == std::string::npos || cell > 127) {
        return "stray value " + std::to_string(cell) + where;
      }
    }
  if (monsters != b) return "b is " + std::to_string(b) + " but there are " + std::to_string(monsters) + " monsters";
  if (monsters < 2 * level || monsters > 2 * level + 2) return std::to_string(monsters) + " monsters";
  if (d[x][y] / u != 1) return "the cursor is not on a monster";

  const bool items = level <= 8, odd = g % 2 == 1;
  const std::pair<int, int> expected_counts[] = {
      {'@', items}, {'>', items}, {'*', items}, {'$', 2 * items}, {'\'', items ? (odd ? 2 : 3) : 0}, {'/', items && odd},
  };
  for (auto [glyph, n] : expected_counts)
    if (count_cells(glyph) != n)
      return std::to_string(count_cells(glyph)) + " of \"" + static_cast<char>(glyph) + "\", last tunnel row " + std::to_string(g);

  // Every cell that is not wall is reached from (9, 9) through orthogonal neighbours.
  bool seen[T][23] = {};
  std::vector<std::pair<int, int>> todo = {{9, 9}};
  seen[9][9] = true;
  int reached = 0;
  while (!todo.empty()) {
    auto [col, row] = todo.back();
    todo.pop_back();
    reached++;
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (auto [dc, dr] : steps) {
      const int nc = col + dc, nr = row + dr;  // the border is wall, so never leaves the window
      if (!seen[nc][nr] && d[nc][nr] != '#') {
        seen[nc][nr] = true;
        todo.push_back({nc, nr});
      }
    }
  }
  if (reached != wall_free_cells()) return "the cave falls apart: " + std::to_string(reached) + " of " + std::to_string(wall_free_cells()) + " cells reached";
  return "";
}

TEST_F(LevelTest, SeededGamesMakeNineWellFormedLevelsInARow) {
  int even_rows = 0, odd_rows = 0;
  for (unsigned s = 1; s <= 300; s++) {
    reset_game_state();
    clear_screen_calls = 0;
    l = 11, p = 22, w = 3, j = 4, v = 55, a = 1;
    draws::seed(s);
    for (int level = 1; level <= 9; level++) {
      N();
      ASSERT_EQ(level_fault(level), "") << "seed " << s << ", level " << level << "\n" << whole_map_text();
      (g % 2 ? odd_rows : even_rows)++;
    }
    ASSERT_EQ(clear_screen_calls, 9);
    ASSERT_TRUE(l == 11 && p == 22 && w == 3 && j == 4 && v == 55 && a == 1) << "seed " << s;
  }
  // Both item windows were exercised.
  EXPECT_GT(even_rows, 100);
  EXPECT_GT(odd_rows, 100);
}

}  // namespace
