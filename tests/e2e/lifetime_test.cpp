// How a game starts and ends: the terminal it needs, the terminal it gives
// back, and never a process left spinning.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>

#include <csignal>
#include <cstring>

#include "known_game.h"

namespace {

// Everything the game changed on the terminal is undone.
void expect_terminal_given_back(const GameTerminal& t) {
  EXPECT_TRUE(same_modes(t.modes(), t.modes_before())) << "the terminal's modes differ from before the game";
  EXPECT_FALSE(t.alternate_screen());
  EXPECT_TRUE(t.cursor_visible());
}

// The whole run took little of the processor: a game spinning while it
// waits would take all of it.
constexpr auto calm = std::chrono::milliseconds(300);

TEST(Quit, EndsWithStatusZeroAndGivesTheTerminalBack) {
  for (const char* term : {"xterm-256color", "linux"}) [&] {
    SCOPED_TRACE(term);
    START_GAME(t, .term = term);
    EXPECT_FALSE(t.modes().c_lflag & (ICANON | ECHO | ISIG)) << "keys come one by one, unechoed, no signals";
    EXPECT_EQ(t.alternate_screen(), std::strcmp(term, "xterm-256color") == 0);
    t.send("Q");
    std::optional<int> status = t.wait_exit();
    ASSERT_TRUE(status) << t.screen_dump();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
    EXPECT_EQ(t.errors(), "");
    expect_terminal_given_back(t);
    if (std::strcmp(term, "linux") == 0) {
      EXPECT_EQ(t.glyph(known_game().start), U'Q') << "the last frame, with the echoed key\n" << t.screen_dump();
    }
  }();
}

// Stopped from outside, the game gives the terminal back first and then
// ends by the same signal, as if it had not caught it.
TEST(StopSignal, GivesTheTerminalBackAndDiesByTheSignal) {
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) [&] {
    SCOPED_TRACE(strsignal(signal_number));
    START_GAME(t);
    t.send_signal(signal_number);
    std::optional<int> status = t.wait_exit();
    ASSERT_TRUE(status) << t.screen_dump();
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == signal_number) << "wait status " << *status;
    expect_terminal_given_back(t);
  }();
}

struct Departure {
  const char* what;
  bool sighup_ignored;
  bool stdin_at_end;
};

// When the terminal goes away or input ends, the game stops within a second
// with a failure status, without spinning on the dead input.
TEST(TerminalGone, GameEndsAtOnceWithFailure) {
  const Departure departures[] = {
      {"hangup", false, false},
      {"hangup with SIGHUP ignored", true, false},
      {"standard input at its end", false, true},
  };
  for (const Departure& departure : departures) [&] {
    SCOPED_TRACE(departure.what);
    GameTerminal t({.stdin_at_end = departure.stdin_at_end, .sighup_ignored = departure.sighup_ignored});
    if (departure.stdin_at_end) {
      // No key can ever come: the game may end before or after its frame.
      std::optional<int> status = t.wait_exit(1s);
      ASSERT_TRUE(status) << t.screen_dump();
      EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << "wait status " << *status;
      EXPECT_NE(t.errors(), "");
      expect_terminal_given_back(t);
      EXPECT_LT(t.cpu_time_at_exit(), calm);
      return;
    }
    ASSERT_TRUE(t.wait_for(first_frame)) << t.screen_dump();
    t.hang_up();
    std::optional<int> status = t.wait_exit(1s);
    ASSERT_TRUE(status) << "still running a second after the hangup";
    // Whichever the game notices first, the dead input (status 1) or the
    // SIGHUP that the hangup also sends (death by it).
    bool by_sighup = WIFSIGNALED(*status) && WTERMSIG(*status) == SIGHUP;
    bool failed = WIFEXITED(*status) && WEXITSTATUS(*status) == 1;
    EXPECT_TRUE(departure.sighup_ignored ? failed : failed || by_sighup) << "wait status " << *status;
    EXPECT_LT(t.cpu_time_at_exit(), calm);
  }();
}

TEST(Waiting, UsesNoProcessorWhileAKeyIsAwaited) {
  START_GAME(t);
  long before = t.cpu_ticks();
  t.idle(500ms);
  // One tick of slack: the game may still be on its way into the wait.
  EXPECT_LE(t.cpu_ticks() - before, 1);
}

struct Size {
  int rows;
  int columns;
};

// Too small at start: one line on standard error naming both sizes, nothing
// on the terminal, failure status.
TEST(TerminalSize, TooSmallAtStartRefusesWithoutTouchingTheTerminal) {
  for (Size size : {Size{24, 63}, Size{23, 64}, Size{10, 20}}) [&] {
    std::string found = std::to_string(size.columns) + " columns and " + std::to_string(size.rows) + " rows";
    SCOPED_TRACE(found);
    GameTerminal t({.rows = size.rows, .columns = size.columns});
    std::optional<int> status = t.wait_exit();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << "wait status " << *status;
    EXPECT_EQ(t.bytes_received(), 0u) << t.screen_dump();
    EXPECT_TRUE(same_modes(t.modes(), t.modes_before()));
    EXPECT_NE(t.errors().find("64 columns and 24 rows"), std::string::npos) << t.errors();
    EXPECT_NE(t.errors().find(found), std::string::npos) << t.errors();
    EXPECT_EQ(t.errors().find('\n'), t.errors().size() - 1) << "one line: " << t.errors();
  }();
}

// Shrunk during play, the game waits without spinning, lets no key act and
// draws the frame again once the terminal is large enough.
TEST(TerminalSize, ShrunkDuringPlayWaitsForRoomAndPlaysOn) {
  const Cell start = known_game().start;
  for (Size small : {Size{20, 80}, Size{24, 60}}) [&] {
    SCOPED_TRACE(std::to_string(small.columns) + " x " + std::to_string(small.rows));
    START_GAME(t);
    std::size_t before = t.bytes_received();
    t.resize(small.rows, small.columns);
    // The game has taken in the new size once it has drawn for it.
    ASSERT_TRUE(t.wait_for([&](const GameTerminal& s) { return s.bytes_received() > before; }));
    t.send("6666\x1b[A");
    long ticks = t.cpu_ticks();
    t.idle(500ms);
    EXPECT_LE(t.cpu_ticks() - ticks, 1) << "no spinning while too small";
    t.resize(24, 80);
    ASSERT_TRUE(t.wait_for(first_frame)) << "no turn has passed\n" << t.screen_dump();
    t.send("6");
    EXPECT_TRUE(t.wait_for([&](const GameTerminal& s) { return s.glyph(start) == U'6'; })) << t.screen_dump();
    EXPECT_TRUE(t.wait_for(player_waits_at(step(start, 1, 0)))) << t.screen_dump();
  }();
}

// A terminal that grows is no key: the frame is drawn again, no turn passes.
TEST(TerminalSize, GrownDuringPlayLetsNoTurnPass) {
  const Cell start = known_game().start;
  START_GAME(t);
  std::size_t before = t.bytes_received();
  t.resize(30, 100);
  ASSERT_TRUE(t.wait_for([&](const GameTerminal& s) { return s.bytes_received() > before; }));
  // The new frame may blank the screen first: look for the echo itself. Had
  // the resize been a turn, the player would have stepped off the start.
  t.send("6");
  EXPECT_TRUE(t.wait_for([&](const GameTerminal& s) { return s.glyph(start) == U'6'; })) << t.screen_dump();
  EXPECT_TRUE(t.wait_for(player_waits_at(step(start, 1, 0)))) << t.screen_dump();
  EXPECT_EQ(status_line(t), first_status);
}

}  // namespace
