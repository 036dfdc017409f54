// The monster pass and the player pass: scan order and the moved flag, the
// key-to-direction rule, the teleport spell, the player's death, level 9, and
// a level change in the middle of the player pass.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "draws.h"
#include "game_state.h"
#include "screen_stub.h"
#include "state.h"
#include "step.h"
#include "turn.h"

namespace {

class TurnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_game_state();
    clear_screen_calls = 0;
  }
};

// One turn without the screen: flags cleared and the player found, the key's
// code minus one in c, then the monsters, then the player.
void run_turn(int code) {
  clear_moved_flags_and_find_player();
  c = code - 1;
  move_monsters();
  act_player();
}

struct Cell {
  int col, row;
};

// load_map for rows held in a table.
void load_rows(const std::vector<std::string>& rows, int left, int top) {
  load_map({}, 0, 0);
  for (std::size_t row = 0; row < rows.size(); row++)
    for (std::size_t col = 0; col < rows[row].size(); col++)
      d[left + static_cast<int>(col)][top + static_cast<int>(row)] = rows[row][col];
}

// Where the player stands (flagged or not), or (-1, -1) when nowhere.
Cell player_cell() {
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++)
      if (d[col][row] % K == T) return {col, row};
  return {-1, -1};
}

// ---- keys ------------------------------------------------------------------

TEST_F(TurnTest, KeyCodeGivesTheDirectionOfThePlayersStep) {
  struct Case {
    const char* key;
    int c;  // as the key read leaves it: the code minus one
    int dx, dy;
  };
  const Case cases[] = {
      {"code 0", 0 - 1, -1, 1},       {"Ctrl-C", 3 - 1, 1, 1},     {"Backspace", 8 - 1, 0, 1},
      {"Tab", 9 - 1, 1, 1},           {"Enter", 13 - 1, -1, 1},    {"Esc", 27 - 1, 1, 1},
      {"Space", 32 - 1, 0, 1},        {"0", '0' - 1, 1, 1},        {"1", '1' - 1, -1, 1},
      {"2", '2' - 1, 0, 1},           {"3", '3' - 1, 1, 1},        {"4", '4' - 1, -1, 0},
      {"5", '5' - 1, 0, 0},           {"6", '6' - 1, 1, 0},        {"7", '7' - 1, -1, -1},
      {"8", '8' - 1, 0, -1},          {"9", '9' - 1, 1, -1},       {"Q", 'Q' - 1, 1, -1},
      {"b", 'b' - 1, 0, -1},          {"c", 'c' - 1, 1, -1},       {"d", 'd' - 1, -1, -1},
      {"q", 'q' - 1, 0, -1},          {"Ctrl-Backspace", 127 - 1, -1, -1},
      {"code 255", 255 - 1, 1, -1},   {"after the stairs", 256, 0, -1},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.key);
    reset_game_state();
    load_map({".....", ".....", "..@..", ".....", "....."}, 28, 8);
    c = t.c;

    act_player();

    Cell at = player_cell();
    EXPECT_EQ(at.col, 30 + t.dx);
    EXPECT_EQ(at.row, 10 + t.dy);
    EXPECT_EQ(count_cells(e), 24);  // nothing else changed
    EXPECT_EQ(a, t.c == '5' - 1 ? 1 : 0);
    EXPECT_EQ(draws::taken(), 0);
  }
}

TEST_F(TurnTest, TeleportNeedsSixManaAndActsOnce) {
  struct Case {
    const char* what;
    int mana;
    std::vector<int> draws;  // column and row pairs until a floor cell
    Cell lands;
    int mana_after;
  };
  const Case cases[] = {
      {"mana 5: nothing at all", 5, {}, {11, 5}, 5},
      {"mana 6: a wall draw is drawn again", 6, {0, 0, 14, 7}, {14, 7}, 0},
      {"mana 6: the same cell may come up", 6, {11, 5}, {11, 5}, 0},
      // Were the new "@" visited again, it would cast again: more mana gone
      // and more draws taken.
      {"mana 12: later in scan order, no second cast", 12, {14, 7}, {14, 7}, 6},
      {"mana 12: earlier in scan order, no second cast", 12, {12, 3}, {12, 3}, 6},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    load_map({"......", "......", ".@....", "......", "......"}, 10, 3);
    j = t.mana;
    a = 1;
    c = 'a' - 1;
    for (int value : t.draws) draws::script({value});
    draws::seed(1);  // a pass that casts more often fails the count below

    act_player();

    EXPECT_EQ(d[t.lands.col][t.lands.row], T);  // placed without the flag
    EXPECT_EQ(count_cells(T), 1);
    EXPECT_EQ(count_cells(e), 29);
    EXPECT_EQ(j, t.mana_after);
    EXPECT_EQ(a, 1);  // the spell leaves the bonus alone
    EXPECT_EQ(draws::taken(), static_cast<int>(t.draws.size()));
  }
}

// ---- the monster pass ------------------------------------------------------

TEST_F(TurnTest, MonstersActOneAtATimeInScanOrder) {
  struct Case {
    const char* what;
    std::vector<std::string> before, after;
  };
  // The player stands out of reach, so nobody strikes.
  const Case cases[] = {
      {"row, player right: the left one is blocked by the one yet to act",
       {".cc..@"}, {".c.C.@"}},
      {"row, player left: both step left",
       {"@..cc."}, {"@.CC.."}},
      {"column, player below: the upper one is blocked",
       {"c", "c", ".", ".", "@"}, {"c", ".", "C", ".", "@"}},
      {"column, player above: both step up",
       {"@", ".", ".", "c", "c"}, {"@", ".", "C", "C", "."}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    std::string after;
    for (const std::string& row : t.after) after += (after.empty() ? "" : "\n") + row;
    load_rows(t.before, 10, 5);
    clear_moved_flags_and_find_player();

    move_monsters();

    EXPECT_EQ(map_text(10, 5, static_cast<int>(t.before[0].size()), static_cast<int>(t.before.size())), after);
    EXPECT_EQ(l, 18);
    EXPECT_EQ(draws::taken(), 0);
  }
}

TEST_F(TurnTest, SlideLeavesFlaggedFloorThatLaterMonstersCannotEnterAndThePlayerCanStrike) {
  // The "c" at (10, 10) heads down-right for the player at (11, 12), meets
  // the wall at (11, 11), moves right, and its vertical part leaves flagged
  // floor at (10, 11). The "c" at (9, 11) also meets a wall down-right; its
  // horizontal part is aimed at that flagged cell and stopped, so its
  // vertical part takes it down instead.
  load_map({"......",   // row 9, columns 8 to 13
            "..c...",   // row 10
            ".c.#..",   // row 11
            "..#@..",   // row 12
            "......"},  // row 13
           8, 9);
  clear_moved_flags_and_find_player();

  move_monsters();

  EXPECT_EQ(map_text(8, 9, 6, 5),
            "......\n"
            "...C..\n"
            "..+#..\n"
            ".C#@..\n"
            "......");
  EXPECT_EQ(l, 18);
  EXPECT_EQ(draws::taken(), 0);

  // Key "7": up-left into the flagged floor, which dies into a kill drop.
  draws::script({0, 2});
  c = '7' - 1;
  act_player();

  EXPECT_EQ(map_text(9, 11, 3, 2), "./#\nC#@");
  EXPECT_EQ(j, 1);
  EXPECT_EQ(draws::taken(), 2);
}

TEST_F(TurnTest, WithoutTheFlaggedFloorTheSecondMonsterWouldHaveMovedRight) {
  load_map({"......", "......", ".c.#..", "..#@..", "......"}, 8, 9);
  clear_moved_flags_and_find_player();

  move_monsters();

  EXPECT_EQ(map_text(9, 11, 2, 2), ".C\n+#");
}

TEST_F(TurnTest, AfterThePlayersDeathTheGameRunsOnWithoutAPlayer) {
  // The "h" beside the player strikes for 8 with 5 hit points left; the "d"
  // far below-right keeps coming toward the death cell in later turns.
  load_map({"......", ".h@...", "......", "......", "....d."}, 10, 5);
  l = 5;
  j = 10;

  run_turn('6');
  EXPECT_EQ(map_text(10, 5, 6, 5), "......\n..H...\n......\n...D..\n......");
  EXPECT_EQ(l, -3);
  EXPECT_EQ(count_cells(T), 0);

  run_turn('a');  // no player: no mana taken, no draw
  EXPECT_EQ(map_text(10, 5, 6, 5), "......\n..h...\n..D...\n......\n......");
  EXPECT_EQ(f, 12);
  EXPECT_EQ(g, 6);
  EXPECT_EQ(j, 10);

  run_turn('5');
  run_turn('4');  // the "d" stays beside the "h" on the death cell
  EXPECT_EQ(map_text(10, 5, 6, 5), "......\n..h...\n..d...\n......\n......");
  EXPECT_EQ(l, -3);
  EXPECT_EQ(f, 12);
  EXPECT_EQ(g, 6);
  EXPECT_EQ(j, 10);
  EXPECT_EQ(draws::taken(), 0);
}

TEST_F(TurnTest, OnLevelNineTheMonstersHeadForColumnZeroOfRowG) {
  // No player on the map; the level generator left f at 0 and g at 5.
  load_map({".......", ".......", ".......", ".......", ".......", ".......", "......."}, 2, 2);
  d[5][3] = 'c';
  d[6][7] = 'd';
  L = 9;
  f = 0;
  g = 5;
  j = 10;

  for (int turn = 0; turn < 4; turn++) run_turn('a');

  EXPECT_EQ(map_text(1, 5, 4, 1), "#cd.");
  EXPECT_EQ(count_cells('c') + count_cells('d'), 2);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(g, 5);
  EXPECT_EQ(j, 10);
  EXPECT_EQ(draws::taken(), 0);
}

// ---- a level change inside the player pass ---------------------------------

// Scripts one tunnel of the level generator toward (col, row): its two target
// draws, then its 256 step draws (odd moves the column, even the row).
void script_tunnel(Cell target, int first_step, int other_steps) {
  draws::script({target.col - 2, target.row - 1, first_step});
  draws::script_repeated(other_steps, 255);
}

// Scripts every draw of the level generator for a level of two floor rows,
// 9 and 10, from column 9 to column 30, with the "@" at `player` and a "c" on
// each of `monsters`, the last placed one last (made from level 1, so there
// are four). The other items always lie here:
//
//            column 9      column 30
//   row  9   ...................../
//   row 10   .*..............$.'>$'
//
// Returns the number of draws scripted. Draws past them come from a fixed
// sequence, so that a generator that draws more fails the count instead of
// searching the walls for floor for ever.
int script_level_two(Cell player, std::initializer_list<Cell> monsters) {
  script_tunnel({9, 10}, 0, 0);   // down from (9, 9)
  script_tunnel({30, 10}, 1, 1);  // right along row 10
  script_tunnel({30, 9}, 0, 0);   // up
  script_tunnel({9, 9}, 1, 1);    // left along row 9
  for (int tunnel = 4; tunnel < 21; tunnel++) script_tunnel({9, 9}, 0, 0);
  // The last target row, 9, is odd: "*", "$", ".", "@", "'", ">", "$", "'",
  // "/"; and 9 % 3 adds no monster to the four of level 2.
  const Cell items[] = {{10, 10}, {25, 10}, {26, 10}, player, {27, 10}, {28, 10}, {29, 10}, {30, 10}, {30, 9}};
  for (Cell at : items) draws::script({at.col, at.row});
  for (Cell at : monsters) draws::script({0, at.col, at.row});  // value draw 0: a "c"
  draws::seed(1);
  return draws::left();
}

TEST_F(TurnTest, StairsStepMakesTheLevelAndTheLastMonsterTakesTheStepsDirection) {
  // The "c" placed last at (9, 9) steps down-right into the "*": it slides,
  // moves right, and the floor it left meets the new "@" below: +50.
  load_map({"@.", ".>"}, 40, 15);
  L = 1;
  a = 1;
  c = '3' - 1;
  x = 40;
  y = 15;
  const int level_draws = script_level_two({9, 10}, {{20, 9}, {21, 9}, {22, 9}, {9, 9}});

  m(1, 1);

  EXPECT_EQ(map_text(9, 9, 22, 2),
            ".C.........ccc......./\n"
            "@*..............$.'>$'");
  EXPECT_EQ(count_cells(T), 1);  // the old "@" went with the old level
  EXPECT_EQ(l, 68);
  EXPECT_EQ(p, 18);
  EXPECT_EQ(L, 2);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(c, 256);
  EXPECT_EQ(x, 9);  // the cursor stays on the last monster's cell
  EXPECT_EQ(y, 9);
  EXPECT_EQ(clear_screen_calls, 1);
  EXPECT_EQ(draws::taken(), level_draws);
  EXPECT_TRUE(outside_window_untouched());
}

TEST_F(TurnTest, NewPlayerLaterInScanOrderStepsUpInTheSamePass) {
  // The last "c" at (12, 9) takes the step's direction, right; the scan goes
  // on after its old cell, meets the new "@" at (15, 10) and, with c at 256,
  // steps it up.
  load_map({"@>"}, 40, 15);
  L = 1;
  const int level_draws = script_level_two({15, 10}, {{20, 9}, {21, 9}, {22, 9}, {12, 9}});
  c = '6' - 1;

  act_player();

  EXPECT_EQ(map_text(9, 9, 22, 2),
            "....C.&....ccc......./\n"
            ".*..............$.'>$'");
  EXPECT_EQ(c, 256);
  EXPECT_EQ(draws::taken(), level_draws);
}

TEST_F(TurnTest, NewPlayerEarlierInScanOrderWaitsForTheNextTurn) {
  // The new "@" at (11, 9) lies before the last "c" at (12, 9): not reached.
  load_map({"@>"}, 40, 15);
  L = 1;
  const int level_draws = script_level_two({11, 9}, {{20, 9}, {21, 9}, {22, 9}, {12, 9}});
  c = '6' - 1;

  act_player();

  EXPECT_EQ(map_text(9, 9, 22, 2),
            "..@.C......ccc......./\n"
            ".*..............$.'>$'");
  EXPECT_EQ(draws::taken(), level_draws);
}

// Hands the turn loop the keys of `keys_to_press`, then no more.
std::vector<int> keys_to_press;
std::size_t keys_pressed = 0;
int press_next_key() {
  return keys_pressed < keys_to_press.size() ? keys_to_press[keys_pressed++] : no_more_keys;
}

TEST_F(TurnTest, QuitKeyEndsTheGameUnlessItsStepTakesTheStairs) {
  struct Case {
    const char* what;
    char up_right;
    bool game_ended;
    int level;
  };
  const Case cases[] = {
      {"floor up-right: the game ends", '.', true, 1},
      {"stairs up-right: the game goes on, asking for the next key", '>', false, 2},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    load_map({std::string{'.', t.up_right}, "@."}, 40, 14);
    L = 1;
    const int level_draws = t.up_right == '>' ? script_level_two({11, 9}, {{20, 9}, {21, 9}, {22, 9}, {12, 9}}) : 0;
    keys_to_press = {'Q'};
    keys_pressed = 0;

    EXPECT_EQ(play(press_next_key), t.game_ended);
    EXPECT_EQ(L, t.level);
    EXPECT_EQ(draws::taken(), level_draws);
  }
}

}  // namespace
