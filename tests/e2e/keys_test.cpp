// Keys as a terminal sends them: which ones are turns, where they take the
// player, what is echoed, and which ones the game drops.
#include <gtest/gtest.h>

#include <vterm.h>

#include <chrono>

#include "known_game.h"

namespace {

// Cells a UTF-8 text takes on the screen (one per character here).
int cells(const std::string& text) {
  int count = 0;
  for (char byte : text) count += (static_cast<unsigned char>(byte) & 0xc0) != 0x80;
  return count;
}

std::string first_character(const std::string& text) {
  std::size_t end = 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) end++;
  return text.substr(0, end);
}

struct TurnKey {
  const char* key;
  std::string bytes;  // what the terminal sends
  std::string echo;   // what shows over the player (and to its right) until the next frame
  int right;          // the player's step
  int down;
};

const TurnKey turn_keys[] = {
    {"6", "6", "6", 1, 0},
    {"keypad 7, numeric mode", "7", "7", -1, -1},
    {"keypad 7, application mode", "\x1bOw", "7", -1, -1},
    {"keypad 3, application mode", "\x1bOs", "3", 1, 1},
    {"keypad 0, application mode", "\x1bOp", "0", 1, 1},
    {"Space", " ", " ", 0, 1},
    {"Enter (13)", "\r", "^M", -1, 1},
    {"Ctrl+J (10)", "\n", "^J", -1, 1},
    {"Tab (9)", "\t", " ", 1, 1},
    {"Backspace (DEL, as 8)", "\x7f", "^H", 0, 1},
    {"Esc alone (27)", "\x1b", "^[", 1, 1},
    {"Ctrl+C (3), no interrupt", "\x03", "^C", 1, 1},
    {"Ctrl+S (19), no flow control", "\x13", "^S", -1, 1},
    {"Ctrl+Q (17)", "\x11", "^Q", 0, 1},
    {"Ctrl+Z (26), no suspend", "\x1a", "^Z", 0, 1},
    {"Menu (0)", "\x1b[29~", "^@", -1, 1},
    {"e acute (233)", "\xc3\xa9", "\xc3\xa9", 0, -1},
    {"y diaeresis (255)", "\xc3\xbf", "\xc3\xbf", 1, -1},
};

// Every key that types a character is one turn: its echo is the first thing
// written over the player, then the next frame shows the player one step on.
TEST(KeyTurns, EachKeyEchoesAndStepsOnce) {
  const Cell start = known_game().start;
  for (const TurnKey& key : turn_keys) [&] {
    SCOPED_TRACE(key.key);
    START_GAME(t);
    t.send(key.bytes);
    ASSERT_TRUE(t.wait_for(player_covered(start))) << t.screen_dump();
    EXPECT_EQ(t.text(start.row, start.column, 1), first_character(key.echo)) << "the first thing written over the player";
    int width = cells(key.echo);
    EXPECT_TRUE(t.wait_for([&](const GameTerminal& s) { return s.text(start.row, start.column, width) == key.echo; }))
        << t.screen_dump();
    EXPECT_NE(t.colour(start), magenta) << "the echo is in the status line's colours";
    const Cell next = step(start, key.right, key.down);
    ASSERT_TRUE(t.wait_for(player_waits_at(next))) << t.screen_dump();
    EXPECT_EQ(t.glyph(start), U'.');
    EXPECT_EQ(status_line(t), first_status);
  }();
}

// A lone Esc is handed over as soon as it is clear that nothing follows it.
TEST(KeyTurns, LoneEscWithinATenthOfASecond) {
  START_GAME(t);
  const auto sent = std::chrono::steady_clock::now();
  t.send("\x1b");
  ASSERT_TRUE(t.wait_for(player_covered(known_game().start))) << t.screen_dump();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, 100ms);
  EXPECT_EQ(t.glyph(known_game().start), U'^');
}

// A paste is typed-ahead keys: every one a turn, in order. The way right
// then down is open; down first would meet a wall.
TEST(KeyTurns, PasteBurstPlaysEveryKeyInOrder) {
  START_GAME(t);
  t.send("66662222");
  const Cell end = step(known_game().start, 4, 4);
  ASSERT_TRUE(t.wait_for(player_waits_at(end))) << t.screen_dump();
  EXPECT_EQ(status_line(t), first_status);
}

// Keys that arrive before the game has drawn anything are not lost either.
TEST(KeyTurns, KeysTypedBeforeTheFirstFrameAreKept) {
  GameTerminal t;
  t.send("6");
  ASSERT_TRUE(t.wait_for(player_waits_at(step(known_game().start, 1, 0)))) << t.screen_dump();
}

struct DroppedKey {
  const char* key;
  std::string bytes;
  const char* term = "xterm-256color";
};

const DroppedKey dropped_keys[] = {
    {"Up", "\x1b[A"},
    {"Down", "\x1b[B"},
    {"Right", "\x1b[C"},
    {"Left", "\x1b[D"},
    {"Up, cursor key application mode", "\x1bOA"},
    {"Home", "\x1b[H"},
    {"End", "\x1b[F"},
    {"Home, application mode", "\x1bOH"},
    {"Page Up", "\x1b[5~"},
    {"Page Down", "\x1b[6~"},
    {"Insert", "\x1b[2~"},
    {"Delete", "\x1b[3~"},
    {"F1", "\x1bOP"},
    {"F4", "\x1bOS"},
    {"F5", "\x1b[15~"},
    {"F10", "\x1b[21~"},
    {"F12", "\x1b[24~"},
    {"keypad Enter, application mode", "\x1bOM"},
    {"keypad +, application mode", "\x1bOk"},
    {"keypad -, application mode", "\x1bOm"},
    {"keypad *, application mode", "\x1bOj"},
    {"keypad /, application mode", "\x1bOo"},
    {"Shift+Tab", "\x1b[Z"},
    {"Ctrl+Up", "\x1b[1;5A"},
    {"Shift+Up", "\x1b[1;2A"},
    {"Alt+Up", "\x1b[1;3A"},
    {"Ctrl+Shift+End", "\x1b[1;6F"},
    {"Shift+F1", "\x1b[1;2P"},
    {"Ctrl+F5", "\x1b[15;5~"},
    {"Ctrl+Delete", "\x1b[3;5~"},
    {"Alt+Up sent as Esc, Up", "\x1b\x1b[A"},
    {"Ctrl+Enter, xterm's other keys", "\x1b[27;5;13~"},
    {"Ctrl+Tab, xterm's other keys", "\x1b[27;5;9~"},
    {"Shift+Up, rxvt", "\x1b[a"},
    {"Ctrl+Up, rxvt", "\x1bOa"},
    {"Shift+Home, rxvt", "\x1b[7$"},
    {"Ctrl+Home, rxvt", "\x1b[7^"},
    {"mouse report", "\x1b[<0;10;5M"},
    {"Alt+a sent as Esc, a", "\x1b" "a"},
    {"Alt+Q sent as Esc, Q", "\x1bQ"},
    {"a character above 255: euro sign", "\xe2\x82\xac"},
    {"a character above 255: U+0100", "\xc4\x80"},
    // Sequences of a terminal other than the one TERM names.
    {"Home as tmux sends it, TERM=xterm-256color", "\x1b[1~"},
    {"End as tmux sends it, TERM=xterm-256color", "\x1b[4~"},
    {"F1 of the Linux console, TERM=xterm-256color", "\x1b[[A"},
    {"F5 of the Linux console, TERM=xterm-256color", "\x1b[[E"},
    {"F1 of the Linux console", "\x1b[[A", "linux"},
    {"Home of the Linux console", "\x1b[1~", "linux"},
    {"keypad + of tmux, application mode", "\x1bOk", "tmux-256color"},
    {"Ctrl+Up of tmux", "\x1b[1;5A", "tmux-256color"},
    {"Home, TERM=vt100", "\x1b[1~", "vt100"},
    {"Shift+Tab, TERM=vt100", "\x1b[Z", "vt100"},
};

// Keys that type nothing are dropped: no echo, no turn, and the next key
// that types something is the first to act.
TEST(KeyTurns, SpecialKeysLetNoTurnPass) {
  const Cell start = known_game().start;
  for (const DroppedKey& key : dropped_keys) [&] {
    SCOPED_TRACE(std::string(key.key) + ", TERM=" + key.term);
    START_GAME(t, .term = key.term);
    t.send(key.bytes + "6");
    ASSERT_TRUE(t.wait_for(player_covered(start))) << t.screen_dump();
    EXPECT_EQ(t.glyph(start), U'6') << "the first thing echoed";
    ASSERT_TRUE(t.wait_for(player_waits_at(step(start, 1, 0)))) << t.screen_dump();
    EXPECT_EQ(status_line(t), first_status);
  }();
}

}  // namespace


namespace {

struct KeypadKey {
  const char* key;
  int vterm_key;
  const char* echo;  // nullptr: yields nothing
  int right;
  int down;
};

// The keypad as the terminal sends it in the mode the game leaves it in:
// digits are digits, its "." types ".", and its Enter and operators can be
// told from the main keys and yield nothing.
TEST(Keypad, KeysAsTheTerminalSendsThem) {
  const KeypadKey keypad_keys[] = {
      {"keypad 7", VTERM_KEY_KP_7, "7", -1, -1},
      {"keypad 2", VTERM_KEY_KP_2, "2", 0, 1},
      {"keypad .", VTERM_KEY_KP_PERIOD, ".", -1, 1},
      {"keypad Enter", VTERM_KEY_KP_ENTER, nullptr, 0, 0},
      {"keypad +", VTERM_KEY_KP_PLUS, nullptr, 0, 0},
      {"keypad -", VTERM_KEY_KP_MINUS, nullptr, 0, 0},
      {"keypad *", VTERM_KEY_KP_MULT, nullptr, 0, 0},
      {"keypad /", VTERM_KEY_KP_DIVIDE, nullptr, 0, 0},
      {"Up", VTERM_KEY_UP, nullptr, 0, 0},
      {"Home", VTERM_KEY_HOME, nullptr, 0, 0},
  };
  const Cell start = known_game().start;
  for (const char* term : {"xterm-256color", "tmux-256color"})
    for (const KeypadKey& key : keypad_keys) [&] {
      SCOPED_TRACE(std::string(key.key) + ", TERM=" + term);
      START_GAME(t, .term = term);
      std::string bytes = t.sent_for(key.vterm_key);
      t.send(key.echo ? bytes : bytes + "6");
      ASSERT_TRUE(t.wait_for(player_covered(start))) << t.screen_dump();
      EXPECT_EQ(t.text(start.row, start.column, 1), key.echo ? key.echo : "6") << "sent as ESC" << bytes.substr(1);
      Cell next = key.echo ? step(start, key.right, key.down) : step(start, 1, 0);
      ASSERT_TRUE(t.wait_for(player_waits_at(next))) << t.screen_dump();
    }();
}

// Once the game is over the keypad types its plain characters again.
TEST(Keypad, NumericAgainAfterTheGame) {
  START_GAME(t);
  t.send("Q");
  ASSERT_TRUE(t.wait_exit());
  EXPECT_EQ(t.sent_for(VTERM_KEY_KP_PLUS), "+");
  EXPECT_EQ(t.sent_for(VTERM_KEY_UP), "\x1b[A");
}

}  // namespace
