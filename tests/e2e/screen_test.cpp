// The first frame as the player sees it on the common terminal types.
#include <gtest/gtest.h>

#include "known_game.h"

namespace {

constexpr int map_rows = 23;
constexpr int map_columns = 64;

struct TerminalType {
  const char* term;
  bool colours;
  bool alternate_screen;  // whether its entry switches to the alternate screen
};

constexpr TerminalType terminal_types[] = {
    {"xterm-256color", true, true},
    {"tmux-256color", true, true},
    {"screen-256color", true, true},
    {"linux", true, false},
    {"vt100", false, false},
};

TEST(FirstFrame, ShowsStatusLinePlayerAndColours) {
  const Cell start = known_game().start;
  for (const TerminalType& type : terminal_types) [&] {
    SCOPED_TRACE(type.term);
    GameTerminal t({.term = type.term});
    ASSERT_TRUE(t.wait_for(first_frame)) << t.screen_dump();

    // Pair 0: the terminal's default colours, or white where the entry has
    // no way back to them.
    EXPECT_TRUE(t.colour({status_row, 0}) == default_colour || t.colour({status_row, 0}) == white);
    EXPECT_EQ(t.text(status_row, 0, 64), first_status + std::string(64 - first_status.size(), ' '));
    EXPECT_EQ(t.text(22, 1, 63), std::string(63, ' ')) << "nothing of row 22 shows";
    EXPECT_TRUE(t.cursor_visible());
    EXPECT_EQ(t.alternate_screen(), type.alternate_screen);
    int players = 0;
    int bold = 0;
    for (int row = 0; row < map_rows; row++)
      for (int column = 0; column < map_columns; column++) {
        players += t.glyph({row, column}) == U'@';
        bold += t.bold({row, column});
      }
    EXPECT_EQ(players, 1);
    EXPECT_EQ(bold, 0) << "no colour is made bright";

    if (!type.colours) {
      // Black on black would show: out of sight is blank, in sight plain.
      EXPECT_EQ(t.colour(start), default_colour);
      for (int row = 0; row < map_rows; row++) EXPECT_EQ(t.glyph({row, 0}), U' ') << "column 0, row " << row;
      return;
    }
    EXPECT_EQ(t.colour(start), magenta);
    for (int right = -1; right <= 1; right++)
      for (int down = -1; down <= 1; down++) {
        if (right == 0 && down == 0) continue;
        Cell next = step(start, right, down);
        EXPECT_EQ(t.glyph(next), U'.');
        EXPECT_EQ(t.colour(next), blue) << "floor next to the player, " << right << ", " << down;
      }
    for (int row = 0; row < map_rows; row++) EXPECT_EQ(t.colour({row, 0}), black) << "column 0, row " << row;
    // Walls are drawn only in sight, floor always: in sight blue, else black.
    int walls = 0;
    for (int row = 0; row < map_rows; row++)
      for (int column = 1; column < map_columns; column++) {
        Cell cell{row, column};
        if (t.glyph(cell) == U'#') {
          walls++;
          EXPECT_EQ(t.colour(cell), white) << "wall at row " << row << ", column " << column;
        }
        if (t.glyph(cell) == U'.') {
          EXPECT_TRUE(t.colour(cell) == blue || t.colour(cell) == black) << "floor at row " << row << ", column " << column;
        }
      }
    EXPECT_GT(walls, 10);
  }();
}

// Without colours the same dungeon shows exactly what a colour terminal shows
// in colour, and nothing of what it shows black on black.
TEST(FirstFrame, WithoutColoursShowsOnlyWhatIsInSight) {
  GameTerminal in_colour({.term = "xterm-256color"});
  GameTerminal plain({.term = "vt100"});
  ASSERT_TRUE(in_colour.wait_for(first_frame)) << in_colour.screen_dump();
  ASSERT_TRUE(plain.wait_for(first_frame)) << plain.screen_dump();
  int hidden = 0;
  for (int row = 0; row < map_rows; row++)
    for (int column = 0; column < map_columns; column++) {
      Cell cell{row, column};
      bool out_of_sight = in_colour.colour(cell) == black;
      hidden += out_of_sight && in_colour.glyph(cell) != U' ';
      EXPECT_EQ(plain.glyph(cell), out_of_sight ? U' ' : in_colour.glyph(cell))
          << "row " << row << ", column " << column;
    }
  EXPECT_GT(hidden, 100) << "the dungeon has floor out of sight";
}

}  // namespace
