#include "keys.h"

#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string_view>

#include <curses.h>

#include "screen.h"

namespace {

// One row of the key table: what the terminal sends for a key, and the code
// that key yields (key_nothing: the press is dropped).
struct KeyRow {
  std::string_view bytes;
  int yields;
};

// Keys whose bytes are not already their code. Any other escape sequence is
// a special key (arrows, Home, F1..F12, the keypad's Enter and operators, a
// key with Shift, Ctrl or Alt ...) and yields nothing; any other single byte
// is its own code; a lone Esc is 27.
constexpr KeyRow key_table[] = {
    {"\x7f", 8},     // Backspace: terminals send DEL for it
    {"\x1bOp", '0'}, // the keypad's digits in application mode, so that they
    {"\x1bOq", '1'}, // type the same digits as in numeric mode
    {"\x1bOr", '2'},
    {"\x1bOs", '3'},
    {"\x1bOt", '4'},
    {"\x1bOu", '5'},
    {"\x1bOv", '6'},
    {"\x1bOw", '7'},
    {"\x1bOx", '8'},
    {"\x1bOy", '9'},
    {"\x1bOn", '.'},  // and its other keys that type characters: "." "," "="
    {"\x1bOl", ','},
    {"\x1bOX", '='},
    {"\x1b[29~", 0}, // the Menu key: types nothing and is no special key
};

// The bytes of one key press as they came in; only the first few matter for
// the table, the rest of an overlong sequence is counted and dropped.
struct Sequence {
  char bytes[8];
  int size = 0;
  void add(int byte) {
    if (size < static_cast<int>(sizeof bytes)) bytes[size] = static_cast<char>(byte);
    size++;
  }
  std::string_view view() const {
    return size <= static_cast<int>(sizeof bytes) ? std::string_view(bytes, static_cast<std::size_t>(size))
                                                  : std::string_view();
  }
};

bool is_final_byte(int byte) { return byte >= 0x40 && byte <= 0x7e; }

// Reads the rest of a sequence that began with Esc, as far as the common
// terminal grammars go: CSI (Esc [ parameters final), SS3 (Esc O parameters
// final), the console's Esc [ [ letter, and Alt with a key (Esc, key).
// A byte that cannot go on with the sequence (an Esc, a control byte) ends
// it unfinished and is left in stray: it begins the next key press. Returns
// 0, or key_gone / key_resized when that came instead.
int read_escape_rest(NextByte next_byte, Sequence& seq, int& stray) {
  int byte = next_byte(escape_delay_ms);
  while (byte == 27) {  // Alt with Esc, or with a special key
    seq.add(byte);
    byte = next_byte(escape_delay_ms);
  }
  if (byte < 0) return byte == key_nothing ? 0 : byte;
  seq.add(byte);
  if (byte != '[' && byte != 'O') return 0;
  bool console_key = false;  // the Linux console's F1 to F5: Esc [ [ A..E
  for (;;) {
    byte = next_byte(escape_delay_ms);
    if (byte < 0) return byte == key_nothing ? 0 : byte;
    bool parameter = byte >= 0x20 && byte < 0x40 && !console_key;
    if (!parameter && !is_final_byte(byte)) {
      stray = byte;
      return 0;
    }
    seq.add(byte);
    if (seq.size == 3 && seq.bytes[1] == '[' && byte == '[') {
      console_key = true;
      continue;
    }
    // rxvt ends its shifted keys with "$".
    if (!parameter || (byte == '$' && seq.bytes[1] == '[')) return 0;
  }
}

// Reads the continuation bytes of a UTF-8 character whose first byte is lead.
// A character from U+0000 to U+00FF is that code; any other, or broken
// UTF-8, yields nothing. A byte that cannot continue the character is left
// in stray: it begins the next key press.
int read_utf8(int lead, NextByte next_byte, int& stray) {
  int more;
  int code;
  int least;  // the smallest code that needs this many bytes: fewer would do for any below
  if (lead >= 0xc2 && lead <= 0xdf) {
    more = 1;
    code = lead & 0x1f;
    least = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    more = 2;
    code = lead & 0x0f;
    least = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    more = 3;
    code = lead & 0x07;
    least = 0x10000;
  } else {
    return key_nothing;  // a stray continuation byte, or one UTF-8 never uses
  }
  while (more-- > 0) {
    int byte = next_byte(escape_delay_ms);
    if (byte == key_gone || byte == key_resized) return byte;
    if (byte < 0) return key_nothing;
    if ((byte & 0xc0) != 0x80) {
      stray = byte;
      return key_nothing;
    }
    code = code << 6 | (byte & 0x3f);
  }
  return code >= least && code <= 0xff ? code : key_nothing;  // an overlong form is broken UTF-8
}

}  // namespace

int decode_key(NextByte next_byte, bool utf8) {
  int first = next_byte(-1);
  for (;;) {
    if (first < 0) return first;
    // A key press cut short by a byte that cannot continue it yields
    // nothing; that byte begins the key press read instead.
    int stray = -1;
    int code;
    if (utf8 && first >= 0x80) {
      code = read_utf8(first, next_byte, stray);
    } else {
      Sequence seq;
      seq.add(first);
      code = key_nothing;
      if (first == 27) {
        int event = read_escape_rest(next_byte, seq, stray);
        if (event < 0) return event;
      }
      if (seq.size == 1) code = first;
      for (const KeyRow& row : key_table)
        if (row.bytes == seq.view()) code = row.yields;
    }
    if (stray < 0) return code;
    first = stray;
  }
}

// ---- the terminal side -------------------------------------------------------

namespace {

volatile std::sig_atomic_t caught_signal = 0;  // the stop signal that came, 0 while none
sigset_t mask_while_waiting;                    // the signal mask in force before the stop signals were blocked

extern "C" void on_stop_signal(int signal_number) { caught_signal = signal_number; }

constexpr int stop_signals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

bool resized_meanwhile = false;  // the terminal changed size while a key press was being read

// What curses already holds or can read within wait_ms: a byte, key_nothing
// or key_resized.
int take_curses_byte(int wait_ms) {
  wtimeout(stdscr, wait_ms);
  int ch = wgetch(stdscr);
  if (ch == KEY_RESIZE) return key_resized;
  if (ch == ERR || ch >= KEY_MIN) return key_nothing;
  return ch & 0xff;
}

}  // namespace

void catch_stop_signals() {
  sigset_t blocked;
  sigemptyset(&blocked);
  for (int signal_number : stop_signals) {
    struct sigaction old_action {};
    sigaction(signal_number, nullptr, &old_action);
    // A signal ignored on entry (nohup) stays ignored.
    if (old_action.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
    sigaddset(&blocked, signal_number);
  }
  // Blocked everywhere but in the wait for input, so that a stop signal
  // always ends that wait and never lands between the check and the wait.
  sigprocmask(SIG_BLOCK, &blocked, &mask_while_waiting);
}

int stop_signal() { return caught_signal; }

void die_by_stop_signal() {
  int signal_number = caught_signal;
  std::signal(signal_number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  std::raise(signal_number);
  _exit(128 + signal_number);
}

int next_terminal_byte(int wait_ms) {
  // In the middle of a key press a resize must not cut the press short, or
  // the rest of its bytes would arrive as keys of their own: note it and
  // read on.
  while (wait_ms >= 0) {
    int byte = take_curses_byte(wait_ms);
    if (byte != key_resized) return byte;
    resized_meanwhile = true;
  }
  for (;;) {
    int byte = take_curses_byte(0);
    if (byte != key_nothing) return byte;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = ppoll(&input, 1, nullptr, &mask_while_waiting);
    if (caught_signal) return key_gone;
    if (ready > 0) {
      if (input.revents & POLLNVAL) return key_gone;
      byte = take_curses_byte(0);
      // Readable but nothing to read: end of input or a read error, which
      // would be the same at every later try.
      return byte == key_nothing ? key_gone : byte;
    }
    // Interrupted: a resize shows up in the next read, anything else waits on.
  }
}

// ---- reading and echoing one key -------------------------------------------

namespace {

bool terminal_is_utf8() {
  static const bool utf8 = std::string_view(nl_langinfo(CODESET)) == "UTF-8";
  return utf8;
}

// Shows the key at the window's cursor as curses shows typed characters:
// control keys as a caret and a letter, Tab as blanks up to the next tab
// stop. Enter, Backspace and Ctrl+J would move the cursor rather than show,
// so they get their caret form too.
void echo_key(int code) {
  if (code == '\t') {
    waddch(stdscr, '\t');
  } else if (code < 32 || code == 127) {
    waddstr(stdscr, unctrl(static_cast<chtype>(code)));
  } else if (code < 128) {
    waddch(stdscr, static_cast<chtype>(code));
  } else {
    const wchar_t text[2] = {static_cast<wchar_t>(code), 0};
    waddwstr(stdscr, text);
  }
  wrefresh(stdscr);
}

}  // namespace

int read_key(int row, int col) {
  if (LINES < screen_rows || COLS < screen_columns) {
    while (LINES < screen_rows || COLS < screen_columns)
      if (next_terminal_byte(-1) == key_gone) return key_gone;
    return key_resized;
  }
  for (;;) {
    wmove(stdscr, row, col);
    int code = decode_key(next_terminal_byte, terminal_is_utf8());
    if (resized_meanwhile) {
      resized_meanwhile = false;
      if (code == key_nothing) return key_resized;
    }
    if (code == key_nothing) continue;
    if (code >= 0) echo_key(code);
    return code;
  }
}

// ---- the size before curses takes the terminal -------------------------------

// Last, since its capability macros would shadow ordinary names above.
#include <term.h>

bool measure_terminal(int& found_rows, int& found_columns) {
  int error = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) return true;  // initscr says what is wrong
  found_rows = LINES;
  found_columns = COLS;
  del_curterm(cur_term);
  return found_rows >= screen_rows && found_columns >= screen_columns;
}

void send_keypad_sequences() {
  const char* sequence = tigetstr("smkx");
  if (sequence == nullptr || sequence == reinterpret_cast<const char*>(-1)) return;
  // putp writes through the C library's standard output, which curses does
  // not flush: send it now, ahead of the frame.
  putp(sequence);
  std::fflush(stdout);
}
