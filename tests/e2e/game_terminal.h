// The built game running in a pseudo-terminal, with a terminal emulator
// (libvterm) reading everything the game writes, so that tests can look at
// the screen the player would see and at what the game leaves behind.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

struct VTerm;
struct VTermScreen;

// How to start the game.
struct GameOptions {
  int rows = 24;
  int columns = 80;
  std::string term = "xterm-256color";
  std::string lang = "C.UTF-8";
  unsigned seed = 0;               // the dungeon to play; 0: the one the tests know (known_game.h)
  bool stdin_at_end = false;       // standard input from /dev/null, the terminal still on standard output
  bool sighup_ignored = false;     // start the game with SIGHUP ignored, as nohup does
};

// Where something is on the screen (row, column), as curses counts them.
struct Cell {
  int row;
  int column;
  bool operator==(const Cell&) const = default;
};

// Foreground colours the tests tell apart: the eight basic colours by their
// index, and the terminal's default colour.
enum Colour : int {
  default_colour = -1,
  black = 0,
  red,
  green,
  yellow,
  blue,
  magenta,
  cyan,
  white,
};

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds patience = 5s;  // generous: the machine may be busy

class GameTerminal {
 public:
  explicit GameTerminal(const GameOptions& options = {});
  ~GameTerminal();
  GameTerminal(const GameTerminal&) = delete;
  GameTerminal& operator=(const GameTerminal&) = delete;

  // ---- input ---------------------------------------------------------------
  // Writes bytes to the terminal as a keyboard would (all at once).
  void send(const std::string& bytes);
  // What the emulated terminal sends for a key of its keyboard, in the modes
  // the game has put it in (cursor keys and keypad, numeric or application).
  std::string sent_for(int vterm_key);

  // ---- output --------------------------------------------------------------
  // Feeds what the game writes into the emulator, one byte at a time, until
  // the predicate holds or the time is up. It stops at the first moment the
  // predicate holds, so that even a state the game shows only briefly (a key
  // echoed before the next frame covers it) is seen; the rest stays queued
  // for the next wait.
  bool wait_for(const std::function<bool(const GameTerminal&)>& holds, std::chrono::milliseconds timeout = patience);
  // Takes in everything that arrives for this long (for "nothing happens").
  void idle(std::chrono::milliseconds how_long);

  char32_t glyph(Cell cell) const;  // U' ' for an empty cell
  Colour colour(Cell cell) const;   // foreground
  bool bold(Cell cell) const;
  std::string text(int row, int column, int length) const;  // UTF-8
  Cell cursor() const;
  bool cursor_visible() const { return cursor_visible_; }
  bool alternate_screen() const { return alternate_screen_; }
  std::size_t bytes_received() const { return bytes_received_; }
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  std::string screen_dump() const;  // for failure messages

  // ---- the terminal and the process ----------------------------------------
  // The terminal's modes as a program on it would read them (stty -g).
  termios modes() const;
  termios modes_before() const { return modes_before_; }
  // New size for the terminal and the emulator; the kernel tells the game
  // with SIGWINCH.
  void resize(int rows, int columns);
  // Closes the terminal's master side: the terminal goes away under the game.
  void hang_up();
  void send_signal(int signal_number);
  // The raw wait status once the game has ended, or nothing on time-out.
  std::optional<int> wait_exit(std::chrono::milliseconds timeout = patience);
  // User plus system time the game has used so far, in clock ticks.
  long cpu_ticks() const;
  // User plus system time of the whole run, once the game has ended.
  std::chrono::microseconds cpu_time_at_exit() const { return cpu_at_exit_; }
  pid_t pid() const { return pid_; }
  const std::string& errors() const { return errors_; }  // standard error so far

 private:
  void pump(std::chrono::milliseconds timeout);  // reads whatever comes within timeout
  void drain_errors();
  void feed(const char* bytes, std::size_t size);

  int master_ = -1;
  int slave_ = -1;  // kept open here so that the terminal's modes can be read after the game ends
  int errors_fd_ = -1;
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::chrono::microseconds cpu_at_exit_{0};
  termios modes_before_{};
  std::string queued_;  // read from the game, not yet fed to the emulator
  std::size_t queued_at_ = 0;
  std::string errors_;
  std::string keyboard_;  // what the emulator sends back: its keyboard's bytes
  std::size_t bytes_received_ = 0;
  int rows_;
  int columns_;
  VTerm* vterm_ = nullptr;
  VTermScreen* screen_ = nullptr;
  bool cursor_visible_ = true;
  bool alternate_screen_ = false;

  friend struct TerminalCallbacks;
};

// Equal in every field that `stty -g` shows.
bool same_modes(const termios& a, const termios& b);

