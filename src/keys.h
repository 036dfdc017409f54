// Turning what the terminal sends into the one code a key press means.
#pragma once

// Results of a read that are not key codes.
inline constexpr int key_nothing = -1;  // no code: the press yields nothing, or no byte came in time
inline constexpr int key_gone = -2;     // the terminal has gone away (hangup, end of input) or a stop signal came
inline constexpr int key_resized = -3;  // the terminal changed size: the frame must be drawn again

// How long the rest of an escape sequence may take to follow its Esc (and the
// rest of a multi-byte character its first byte). A lone Esc is handed over
// once this has passed with nothing following it.
inline constexpr int escape_delay_ms = 25;

// Gives the next input byte (0 to 255), waiting up to wait_ms milliseconds
// (for ever when negative); key_nothing when none came in time, key_gone or
// key_resized when that happened instead.
using NextByte = int (*)(int wait_ms);

// Reads one key press from next_byte and returns the code it yields (0 to
// 255), key_nothing when it yields none, or key_gone / key_resized passed on.
// utf8 says whether bytes from 128 up are UTF-8 (else each byte is a code).
int decode_key(NextByte next_byte, bool utf8);

// The terminal side: a NextByte that reads the curses standard window,
// waiting for input without using the processor and ending the wait on a
// hangup, at end of input or when a stop signal arrives.
int next_terminal_byte(int wait_ms);

// Waits for one key press that yields a code, with the terminal cursor on
// row, col, and echoes the key there; returns its code (0 to 255), key_gone,
// or key_resized when the frame must be drawn again first. While the
// terminal is smaller than the map and status line it only waits for it to
// grow (keys pressed meanwhile are dropped) and then asks for a new frame.
int read_key(int row, int col);

// Asks the terminal to send the keypad's keys as sequences of their own
// (application mode, where its entry says how), so that the keypad's Enter
// and operators can be told from the main keys. endwin puts it back.
void send_keypad_sequences();

// Finds the size of the terminal on standard output without writing to it:
// false when it is known and too small for the map and the status line.
bool measure_terminal(int& rows, int& columns);

// Catches SIGTERM, SIGINT, SIGHUP and SIGQUIT (those not ignored on entry) so
// that they end the game through the key read and the terminal is given back.
// Returns nothing; stop_signal() tells which one came.
void catch_stop_signals();
int stop_signal();

// After the terminal has been given back, ends the process by the stop
// signal that came, as it would have without the game's handler.
[[noreturn]] void die_by_stop_signal();
