// One step of one entity, m(dx, dy): what the player's step and a monster's
// step do to each kind of target, blows and kills, items, and the slide of a
// diagonal step that meets an obstacle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draws.h"
#include "game_state.h"
#include "state.h"
#include "step.h"

namespace {

class StepTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_game_state(); }

  static void script(const std::vector<int>& values) {
    for (int value : values) draws::script({value});
  }
};

// A row ". X ? ." at columns 10 to 13 of row 5 with the mover X at the
// cursor (11, 5) and the target (12, 5) set to any value, flagged ones too.
void load_row_with_target(char mover, int target) {
  load_map({std::string{'.', mover, '.', '.'}}, 10, 5);
  d[12][5] = target;
  x = 11;
  y = 5;
}

// ---- the player's step, straight to the right ------------------------------

TEST_F(StepTest, PlayerStepRightDoesWhatTheTargetCalls) {
  struct Case {
    const char* what;
    int level;
    int target;
    std::vector<int> draws;
    int l_before;
    const char* after;  // columns 10 to 13 of row 5
    int l, p, v, w, j;
  };
  const Case cases[] = {
      {"wall stops", 3, '#', {}, 10, ".@#.", 10, 20, 0, 1, 0},
      {"' on level 3 adds 3 to p only", 3, '\'', {}, 10, "..&.", 10, 23, 0, 1, 0},
      {"* raises l to p", 3, '*', {}, 10, "..&.", 20, 20, 0, 1, 0},
      {"* lowers l above p to p", 3, '*', {}, 60, "..&.", 20, 20, 0, 1, 0},
      {"$ on level 4 adds 16 gold", 4, '$', {}, 10, "..&.", 10, 20, 16, 1, 0},
      {"/ on level 1 with draw 0 gives d3", 1, '/', {0}, 10, "..&.", 10, 20, 0, 3, 0},
      {"floor: moves with the flag", 3, '.', {}, 10, "..&.", 10, 20, 0, 1, 0},
      {"monster e: struck to d, player stays", 3, 'e', {0}, 10, ".@d.", 10, 20, 0, 1, 0},
      {"flagged monster E: struck to D, flag kept", 3, 'e' + K, {0}, 10, ".@D.", 10, 20, 0, 1, 0},
      {"flagged floor: struck into a kill drop", 3, e + K, {0, 1}, 10, ".@'.", 10, 20, 0, 1, 1},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    L = t.level;
    l = t.l_before;
    p = 20;
    c = '6' - 1;
    script(t.draws);
    load_row_with_target('@', t.target);

    m(1, 0);

    EXPECT_EQ(map_text(10, 5, 4, 1), t.after);
    EXPECT_EQ(l, t.l);
    EXPECT_EQ(p, t.p);
    EXPECT_EQ(v, t.v);
    EXPECT_EQ(w, t.w);
    EXPECT_EQ(j, t.j);
    EXPECT_EQ(draws::taken(), static_cast<int>(t.draws.size()));
    EXPECT_EQ(x, 11);
    EXPECT_EQ(y, 5);
  }
}

// ---- a monster's step, straight to the right -------------------------------

TEST_F(StepTest, MonsterStepRightMovesOrStrikesTheAtAndIsStoppedByAllElse) {
  struct Case {
    const char* what;
    int target;
    const char* after;
    int l;
  };
  const Case cases[] = {
      {"wall", '#', ".e#.", 10},
      {"gold is not taken", '$', ".e$.", 10},
      {"' is not taken", '\'', ".e'.", 10},
      {"* is not taken", '*', ".e*.", 10},
      {"/ is not taken", '/', ".e/.", 10},
      {"stairs", '>', ".e>.", 10},
      {"floor: moves with the flag", '.', "..E.", 10},
      {"the player: struck for 5, monster stays", '@', ".e@.", 5},
      {"another monster is not struck", 'c', ".ec.", 10},
      {"flagged floor stops it", e + K, ".e+.", 10},
      {"a flagged monster stops it", 'c' + K, ".eC.", 10},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    L = 3;
    l = 10;
    load_row_with_target('e', t.target);

    m(1, 0);

    EXPECT_EQ(map_text(10, 5, 4, 1), t.after);
    EXPECT_EQ(l, t.l);
    EXPECT_EQ(draws::taken(), 0);  // a monster's step never draws
  }
}

TEST_F(StepTest, MonsterBlowOfItsHitPointsKillsAtZeroAndTakesThePlayersCell) {
  struct Case {
    int l_before;
    const char* after;
    int l;
  };
  const Case cases[] = {
      {9, ".h@", 1},   // survives: the "h" stays beside it
      {8, "..H", 0},   // exactly 0 is death
      {3, "..H", -5},  // the whole blow comes off
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.l_before);
    reset_game_state();
    l = t.l_before;
    load_map({".h@"}, 9, 5);
    x = 10;
    y = 5;

    m(1, 0);

    EXPECT_EQ(map_text(9, 5, 3, 1), t.after);
    EXPECT_EQ(l, t.l);
    EXPECT_EQ(count_cells(T), t.l > 0 ? 1 : 0);
  }
}

// ---- blows, kills and drops ------------------------------------------------

TEST_F(StepTest, KillRuleTakesTheFlagOffBeforeComparing) {
  struct Case {
    const char* what;
    int target;
    int weapon, bonus, blow_draw;
    const char* after;
    int j;
  };
  const Case cases[] = {
      {"flagged A takes 1 and dies", 'a' + K, 1, 0, 0, ".@$.", 1},
      {"flagged D takes 4 of d4 and dies", 'd' + K, 4, 0, 3, ".@$.", 1},
      {"flagged D takes 3 of d4, survives as flagged A", 'd' + K, 4, 0, 2, ".@A.", 0},
      {"d takes 3 + bonus 1 and dies", 'd', 4, 1, 2, ".@$.", 1},
      {"e takes 3 of d4, survives as b", 'e', 4, 0, 6, ".@b.", 0},
      {"e takes 10 + bonus 1 of d10 and dies", 'e', 10, 1, 9, ".@$.", 1},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    w = t.weapon;
    a = t.bonus;
    c = '6' - 1;
    draws::script({t.blow_draw, 0});  // the second one only for a kill: drop "$"
    load_row_with_target('@', t.target);

    m(1, 0);

    EXPECT_EQ(map_text(10, 5, 4, 1), t.after);
    EXPECT_EQ(j, t.j);
    EXPECT_EQ(draws::taken(), t.j == 1 ? 2 : 1);
  }
}

TEST_F(StepTest, WeaponOneTakesCToBToAToADropWithoutMoving) {
  load_row_with_target('@', 'c');
  c = '6' - 1;
  draws::script({7, 3, 11, 4});  // three blows of 1, then the drop: 4 % 5 gives "$"

  const char* seen[] = {".@b.", ".@a.", ".@$."};
  for (const char* expected : seen) {
    m(1, 0);
    EXPECT_EQ(map_text(10, 5, 4, 1), expected);
  }
  EXPECT_EQ(j, 1);
  EXPECT_EQ(draws::taken(), 4);
}

TEST_F(StepTest, KillDropFollowsTheDrawAndThePlayerStaysEvenOnADiagonal) {
  // An up-right kill: were the step to keep its direction after the kill, the
  // drop (an item, below "@") would make it slide into the open floor.
  struct Case {
    int drop_draw;
    char drop;
  };
  const Case cases[] = {{5, '$'}, {11, '\''}, {2, '/'}, {8, '\''}, {104, '$'}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.drop_draw);
    reset_game_state();
    load_map({"..a", ".@.", "..."}, 10, 5);
    x = 11;
    y = 6;
    c = '9' - 1;
    draws::script({0, t.drop_draw});

    m(1, -1);

    EXPECT_EQ(map_text(10, 5, 3, 3), std::string("..") + t.drop + "\n.@.\n...");
    EXPECT_EQ(j, 1);
    EXPECT_EQ(draws::taken(), 2);
  }
}

TEST_F(StepTest, WeaponByLevelAndDrawReplacesTheOldOneEvenWhenWeaker) {
  struct Case {
    int level, draw, w;
  };
  const Case cases[] = {
      {1, 8, 3}, {1, 13, 2}, {1, 2, 1}, {1, 1003, 2},  //
      {2, 8, 2}, {2, 13, 1}, {2, 2, 2}, {2, 1003, 3},  //
      {3, 8, 1}, {3, 13, 2}, {3, 2, 3}, {3, 1003, 4},  //
      {9, 8, 7}, {9, 13, 8}, {9, 2, 9}, {9, 1003, 10},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(::testing::Message() << "level " << t.level << " draw " << t.draw);
    reset_game_state();
    L = t.level;
    w = 5;
    draws::script({t.draw});
    load_row_with_target('@', '/');

    m(1, 0);

    EXPECT_EQ(w, t.w);
    EXPECT_EQ(map_text(10, 5, 4, 1), "..&.");
    EXPECT_EQ(draws::taken(), 1);
  }
}

// ---- the wait and the bonus ------------------------------------------------

TEST_F(StepTest, WaitReadiesOneExtraPointForTheNextDirectBlowOnly) {
  load_row_with_target('@', 'f');
  draws::script({0, 0});

  c = '5' - 1;
  m(0, 0);
  EXPECT_EQ(map_text(10, 5, 4, 1), ".@f.");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(draws::taken(), 0);

  c = '6' - 1;
  m(1, 0);  // 1 + bonus
  EXPECT_EQ(map_text(10, 5, 4, 1), ".@d.");
  EXPECT_EQ(a, 0);

  m(1, 0);  // 1 again
  EXPECT_EQ(map_text(10, 5, 4, 1), ".@c.");
}

TEST_F(StepTest, StepIntoAWallStillDropsTheBonus) {
  load_row_with_target('@', '#');
  a = 1;
  c = '6' - 1;

  m(1, 0);

  EXPECT_EQ(a, 0);
  EXPECT_EQ(map_text(10, 5, 4, 1), ".@#.");
}

// ---- slides ----------------------------------------------------------------

// The mover at (11, 6) steps up-right into the wall at (12, 5): the
// horizontal part aims at (12, 6), then the vertical part at (11, 5) acts
// with whatever (11, 6) holds by then. Rows are columns 10 to 12 of rows 5
// to 7.
using Rows = std::vector<std::string>;

std::string joined(const Rows& rows) {
  std::string text;
  for (const std::string& row : rows) text += (text.empty() ? "" : "\n") + row;
  return text;
}

// Upper case stands for a monster with the moved flag and "+" for flagged
// floor, as map_text shows them.
void load_slide(const Rows& rows) {
  load_map({rows[0], rows[1], rows[2]}, 10, 5);
  for (int row = 5; row < 8; row++)
    for (int col = 10; col < 13; col++) {
      int& cell = d[col][row];
      if (cell == '+') cell = e + K;
      if (cell >= 'A' && cell <= 'Z') cell += 'a' - 'A' + K;
    }
  x = 11;
  y = 6;
}

TEST_F(StepTest, PlayerDiagonalIntoAWallSlidesWithoutTheBonus) {
  struct Case {
    const char* what;
    Rows before, after;
    std::vector<int> draws;
    int p, v;
  };
  // Every case starts right after a "5": no blow inside the slide gets it.
  const Case cases[] = {
      {"monster beside: struck, then the step up",
       {"..#", ".@e", "..."}, {".&#", "..d", "..."}, {0}, 18, 0},
      {"monster beside and above: both struck",
       {".e#", ".@e", "..."}, {".d#", ".@d", "..."}, {0, 0}, 18, 0},
      {"wall beside: only the step up",
       {"..#", ".@#", "..."}, {".&#", "..#", "..."}, {}, 18, 0},
      {"walls beside and above: nothing",
       {".##", ".@#", "..."}, {".##", ".@#", "..."}, {}, 18, 0},
      {"floor beside: moves there, flagged floor left above the old cell",
       {"..#", ".@.", "..."}, {".+#", "..&", "..."}, {}, 18, 0},
      {"gold beside: taken on level 2",
       {"..#", ".@$", "..."}, {".+#", "..&", "..."}, {}, 18, 4},
      {"wall beside, ' above: taken on level 2",
       {".'#", ".@#", "..."}, {".&#", "..#", "..."}, {}, 20, 0},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    L = 2;
    a = 1;
    c = '9' - 1;
    script(t.draws);
    load_slide(t.before);

    m(1, -1);

    EXPECT_EQ(map_text(10, 5, 3, 3), joined(t.after));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(l, 18);
    EXPECT_EQ(p, t.p);
    EXPECT_EQ(v, t.v);
    EXPECT_EQ(draws::taken(), static_cast<int>(t.draws.size()));
  }
}

TEST_F(StepTest, MonsterDiagonalIntoAWallSlides) {
  struct Case {
    const char* what;
    Rows before, after;
    int l_before, l;
  };
  const Case cases[] = {
      {"floor beside: moves, its old cell flags the floor above",
       {"..#", ".e.", "..."}, {".+#", "..E", "..."}, 10, 10},
      {"player beside: struck, then the step up",
       {"..#", ".e@", "..."}, {".E#", "..@", "..."}, 10, 5},
      {"player beside dies: the monster takes its cell",
       {"..#", ".e@", "..."}, {".+#", "..E", "..."}, 5, 0},
      {"monster beside: stays, then the step up",
       {"..#", ".ec", "..."}, {".E#", "..c", "..."}, 10, 10},
      {"item beside is no way: only the step up",
       {"..#", ".e$", "..."}, {".E#", "..$", "..."}, 10, 10},
      {"walls beside and above: nothing",
       {".##", ".e#", "..."}, {".##", ".e#", "..."}, 10, 10},
      {"wall beside, player above: struck",
       {".@#", ".e#", "..."}, {".@#", ".e#", "..."}, 10, 5},
      {"moves beside, and the floor it left 'strikes' the player above: +50",
       {".@#", ".e.", "..."}, {".@#", "..E", "..."}, 10, 60},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    l = t.l_before;
    load_slide(t.before);

    m(1, -1);

    EXPECT_EQ(map_text(10, 5, 3, 3), joined(t.after));
    EXPECT_EQ(l, t.l);
    EXPECT_EQ(draws::taken(), 0);
  }
}

TEST_F(StepTest, DiagonalStepIntoAMonsterOrFlaggedFloorNeverSlides) {
  // Open floor beside and above: a slide would show.
  struct Case {
    const char* what;
    Rows before, after;
    int draws;
  };
  const Case cases[] = {
      {"monster into a monster", {"..c", ".e.", "..."}, {"..c", ".e.", "..."}, 0},
      {"monster into a flagged monster", {"..C", ".e.", "..."}, {"..C", ".e.", "..."}, 0},
      {"monster into flagged floor", {"..+", ".e.", "..."}, {"..+", ".e.", "..."}, 0},
      {"player strikes a monster that survives", {"..e", ".@.", "..."}, {"..d", ".@.", "..."}, 1},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    reset_game_state();
    c = '9' - 1;
    draws::script({0});
    load_slide(t.before);

    m(1, -1);

    EXPECT_EQ(map_text(10, 5, 3, 3), joined(t.after));
    EXPECT_EQ(draws::taken(), t.draws);
  }
}

}  // namespace
