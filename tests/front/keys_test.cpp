// The key decoder: what one key press yields from the bytes a terminal sends
// for it, fed from a scripted byte source that also records how long the
// decoder was willing to wait for each byte.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "keys.h"

namespace {

// An input script: bytes 0 to 255, key_gone, key_resized, or a pause.
using Input = std::vector<int>;

// In a script: nothing more comes within any finite wait here; a wait for
// ever passes the pause and gets what follows it.
constexpr int pause_mark = 1000;

Input bytes(std::string_view text) {
  Input input;
  for (char ch : text) input.push_back(static_cast<unsigned char>(ch));
  return input;
}

Input operator+(Input head, const Input& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

const Input pause{pause_mark};
const Input esc = bytes("\033");

struct Script {
  Input events;
  std::size_t next = 0;
  std::vector<int> waits;  // the wait_ms of every read, in order
  bool waited_for_ever_at_end = false;
};

Script script;

int scripted_byte(int wait_ms) {
  script.waits.push_back(wait_ms);
  if (wait_ms < 0 && script.next < script.events.size() && script.events[script.next] == pause_mark) script.next++;
  if (script.next == script.events.size()) {
    // A real terminal would block here; end the read so the test goes on.
    if (wait_ms < 0) script.waited_for_ever_at_end = true;
    return wait_ms < 0 ? key_gone : key_nothing;
  }
  int event = script.events[script.next++];
  return event == pause_mark ? key_nothing : event;
}

void load(const Input& events) {
  script = Script();
  script.events = events;
}

int decode(bool utf8 = true) {
  script.waits.clear();
  return decode_key(scripted_byte, utf8);
}

// Decodes key after key until the script is used up: every result, in order.
std::vector<int> decode_all(const Input& events, bool utf8 = true) {
  load(events);
  std::vector<int> results;
  while (script.next < script.events.size() && results.size() <= events.size()) results.push_back(decode(utf8));
  return results;
}

// The codes a burst hands over, leaving out the presses that yield nothing.
std::vector<int> codes_of(const Input& events, bool utf8 = true) {
  std::vector<int> codes;
  for (int result : decode_all(events, utf8))
    if (result != key_nothing) codes.push_back(result);
  return codes;
}

constexpr int none = key_nothing;

// ---- special keys -------------------------------------------------------------

struct SpecialKey {
  const char* name;
  std::string_view bytes;
};

// What terminals send for the special keys: xterm, tmux, the vt100 and vt220
// families, rxvt and the Linux console, in normal and in application mode.
const SpecialKey special_keys[] = {
    {"Up", "\033[A"},
    {"Down", "\033[B"},
    {"Right", "\033[C"},
    {"Left", "\033[D"},
    {"Up, application cursor mode", "\033OA"},
    {"Down, application cursor mode", "\033OB"},
    {"Right, application cursor mode", "\033OC"},
    {"Left, application cursor mode", "\033OD"},
    {"Home, vt form", "\033[1~"},
    {"End, vt form", "\033[4~"},
    {"Home, xterm form", "\033[H"},
    {"End, xterm form", "\033[F"},
    {"Home, application cursor mode", "\033OH"},
    {"End, application cursor mode", "\033OF"},
    {"Home, rxvt", "\033[7~"},
    {"End, rxvt", "\033[8~"},
    {"Page Up", "\033[5~"},
    {"Page Down", "\033[6~"},
    {"Insert", "\033[2~"},
    {"Delete", "\033[3~"},
    {"F1, xterm and vt100", "\033OP"},
    {"F2, xterm and vt100", "\033OQ"},
    {"F3, xterm and vt100", "\033OR"},
    {"F4, xterm and vt100", "\033OS"},
    {"F1, vt220 and rxvt", "\033[11~"},
    {"F4, vt220 and rxvt", "\033[14~"},
    {"F1, Linux console", "\033[[A"},
    {"F2, Linux console", "\033[[B"},
    {"F3, Linux console", "\033[[C"},
    {"F4, Linux console", "\033[[D"},
    {"F5, Linux console", "\033[[E"},
    {"F5", "\033[15~"},
    {"F6", "\033[17~"},
    {"F7", "\033[18~"},
    {"F8", "\033[19~"},
    {"F9", "\033[20~"},
    {"F10", "\033[21~"},
    {"F11", "\033[23~"},
    {"F12", "\033[24~"},
    {"Shift+Tab", "\033[Z"},
    {"Shift+Up", "\033[1;2A"},
    {"Ctrl+Up", "\033[1;5A"},
    {"Alt+Up, xterm", "\033[1;3A"},
    {"Ctrl+Shift+Right", "\033[1;6C"},
    {"Shift+F1, xterm", "\033[1;2P"},
    {"Shift+F1, old xterm", "\033O2P"},
    {"Ctrl+F5", "\033[15;5~"},
    {"Ctrl+Shift+Page Down", "\033[6;6~"},
    {"Shift+Delete, rxvt", "\033[3$"},
    {"Ctrl+Home, rxvt", "\033[7^"},
    {"Alt+Up, sent as Esc and Up", "\033\033[A"},
    {"Alt+Up in application cursor mode", "\033\033OA"},
    {"Alt+F5, sent as Esc and F5", "\033\033[15~"},
    {"keypad 5 with Num Lock off, xterm", "\033[E"},
    {"keypad 5 with Num Lock off, application mode", "\033OE"},
    {"keypad Enter, application mode", "\033OM"},
    {"keypad +, application mode", "\033Ok"},
    {"keypad -, application mode", "\033Om"},
    {"keypad *, application mode", "\033Oj"},
    {"keypad /, application mode", "\033Oo"},
    {"keypad 1 with Shift, application mode", "\033O2q"},
    {"a sequence longer than any key's", "\033[1;2;3;4;5;6;7;8;9A"},
};

// Each yields nothing, takes exactly its own bytes (the key after it in the
// same burst is read as the next key press) and waits only briefly for the
// rest of the sequence once the first byte has come.
TEST(DecodeKey, SpecialKeysYieldNothingAndTakeExactlyTheirBytes) {
  for (bool utf8 : {true, false}) {
    for (const SpecialKey& key : special_keys) {
      SCOPED_TRACE(std::string(key.name) + (utf8 ? ", UTF-8" : ", 8-bit"));
      load(bytes(key.bytes) + bytes("6"));
      EXPECT_EQ(decode(utf8), none);
      EXPECT_EQ(script.next, key.bytes.size());
      ASSERT_FALSE(script.waits.empty());
      EXPECT_LT(script.waits[0], 0);
      for (std::size_t i = 1; i < script.waits.size(); i++) EXPECT_EQ(script.waits[i], escape_delay_ms);
      EXPECT_EQ(decode(utf8), '6');
    }
  }
}

// ---- keys with a code -------------------------------------------------------

// A key sent as one byte hands over that byte at once, with no wait for
// more: Enter 13 (never 10), Ctrl+J 10, Tab 9, Ctrl with a letter 1 to 26
// (Ctrl+C 3), Ctrl+Space 0, letters, digits, punctuation, Space.
TEST(DecodeKey, EverySingleByteButEscAndDelIsItsOwnCodeAtOnce) {
  for (int byte = 0; byte < 127; byte++) {
    if (byte == 27) continue;
    SCOPED_TRACE(byte);
    load(Input{byte} + bytes("6"));
    EXPECT_EQ(decode(), byte);
    EXPECT_EQ(script.waits, std::vector<int>{-1});
    EXPECT_EQ(decode(), '6');
  }
}

struct KeyWithCode {
  const char* name;
  std::string_view bytes;
  int yields;
};

// Keys whose bytes are not their code.
const KeyWithCode keys_with_codes[] = {
    {"Backspace, sent as DEL", "\177", 8},
    {"Menu", "\033[29~", 0},
    {"keypad 0, application mode", "\033Op", '0'},
    {"keypad 1, application mode", "\033Oq", '1'},
    {"keypad 2, application mode", "\033Or", '2'},
    {"keypad 3, application mode", "\033Os", '3'},
    {"keypad 4, application mode", "\033Ot", '4'},
    {"keypad 5, application mode", "\033Ou", '5'},
    {"keypad 6, application mode", "\033Ov", '6'},
    {"keypad 7, application mode", "\033Ow", '7'},
    {"keypad 8, application mode", "\033Ox", '8'},
    {"keypad 9, application mode", "\033Oy", '9'},
    {"keypad ., application mode", "\033On", '.'},
};

TEST(DecodeKey, KeysGiveTheirCodesAndTakeExactlyTheirBytes) {
  for (bool utf8 : {true, false}) {
    for (const KeyWithCode& key : keys_with_codes) {
      SCOPED_TRACE(std::string(key.name) + (utf8 ? ", UTF-8" : ", 8-bit"));
      load(bytes(key.bytes) + bytes("5"));
      EXPECT_EQ(decode(utf8), key.yields);
      EXPECT_EQ(script.next, key.bytes.size());
      EXPECT_EQ(decode(utf8), '5');
    }
  }
}

// ---- Esc and Alt --------------------------------------------------------------

// A lone Esc is handed over once a short wait has passed with nothing
// following it: not at once (it could begin a sequence) and not never.
TEST(DecodeKey, LoneEscIsHandedOverAfterTheEscapeDelay) {
  EXPECT_GT(escape_delay_ms, 0);
  EXPECT_LT(escape_delay_ms, 100);

  load(esc + pause + bytes("6"));
  EXPECT_EQ(decode(), 27);
  EXPECT_EQ(script.waits, (std::vector<int>{-1, escape_delay_ms}));
  EXPECT_EQ(decode(), '6');

  load(esc);  // the last key of the input
  EXPECT_EQ(decode(), 27);
  EXPECT_FALSE(script.waited_for_ever_at_end);

  EXPECT_EQ(decode_all(esc + pause + esc + pause + esc + pause), (std::vector<int>{27, 27, 27}));
  EXPECT_EQ(decode_all(esc + pause + esc + pause, false), (std::vector<int>{27, 27}));
}

// Alt with a key, sent as Esc followed by the key, yields nothing and takes
// both bytes; the key after it is a key press of its own.
TEST(DecodeKey, AltWithAKeyYieldsNothing) {
  const std::string_view alt_keys[] = {"\033a", "\0336", "\033Q", "\033 ", "\033\r", "\033\t", "\033\177", "\033~"};
  for (std::string_view key : alt_keys) {
    SCOPED_TRACE(testing::PrintToString(std::string(key)));
    EXPECT_EQ(decode_all(bytes(key) + bytes("6")), (std::vector<int>{none, '6'}));
  }
}

// Alt with "[" or "O" begins like a sequence; the pause after it ends the
// press, and what comes after the pause is a key press of its own.
TEST(DecodeKey, SequenceCutShortByAPauseYieldsNothing) {
  const std::string_view beginnings[] = {"\033[", "\033O", "\033[1", "\033[1;", "\033[[", "\033O2", "\033\033"};
  for (std::string_view beginning : beginnings) {
    SCOPED_TRACE(testing::PrintToString(std::string(beginning)));
    EXPECT_EQ(decode_all(bytes(beginning) + pause + bytes("6")), (std::vector<int>{none, '6'}));
    EXPECT_FALSE(script.waited_for_ever_at_end);
  }
}

// ---- characters beyond ASCII --------------------------------------------------

struct Character {
  const char* name;
  std::string_view bytes;
  bool utf8;
  int yields;
};

const Character characters[] = {
    {"e acute", "\303\251", true, 233},
    {"y diaeresis, U+00FF", "\303\277", true, 255},
    {"U+0080", "\302\200", true, 128},
    {"a acute, xterm's Alt+a", "\303\241", true, 225},
    {"euro sign, U+20AC", "\342\202\254", true, none},
    {"U+0100", "\304\200", true, none},
    {"four bytes, U+1F600", "\360\237\230\200", true, none},
    {"a stray continuation byte", "\251", true, none},
    {"lead byte C0, never used", "\300", true, none},
    {"lead byte F5, never used", "\365", true, none},
    {"byte FF, never used", "\377", true, none},
    {"overlong A in three bytes", "\340\201\201", true, none},
    {"overlong code 0 in four bytes", "\360\200\200\200", true, none},
    {"8-bit terminal, e acute", "\351", false, 233},
    {"8-bit terminal, byte 195", "\303", false, 195},
    {"8-bit terminal, byte 128", "\200", false, 128},
    {"8-bit terminal, byte 255", "\377", false, 255},
};

TEST(DecodeKey, CharactersBeyondAscii) {
  for (const Character& character : characters) {
    SCOPED_TRACE(character.name);
    load(bytes(character.bytes) + bytes("6"));
    EXPECT_EQ(decode(character.utf8), character.yields);
    EXPECT_EQ(script.next, character.bytes.size());
    EXPECT_EQ(decode(character.utf8), '6');
  }
}

// On an 8-bit terminal each byte is a key of its own.
TEST(DecodeKey, EightBitBytesAreCodesOfTheirOwn) {
  EXPECT_EQ(decode_all(bytes("\303\251"), false), (std::vector<int>{195, 169}));
}

// A character cut short by a pause yields nothing, and whatever comes after
// the pause is read as the next key.
TEST(DecodeKey, CharacterCutShortYieldsNothing) {
  EXPECT_EQ(decode_all(bytes("\303") + pause + bytes("6")), (std::vector<int>{none, '6'}));
  EXPECT_EQ(decode_all(bytes("\342\202") + pause + bytes("6")), (std::vector<int>{none, '6'}));
}

// ---- the terminal going away or changing size -----------------------------

// Passed on at once, also when it comes in the middle of a key's bytes.
TEST(DecodeKey, GoneAndResizedArePassedOnAlsoInsideASequence) {
  const std::string_view beginnings[] = {"",       "\033",   "\033\033", "\033[", "\033[1",     "\033[1;5", "\033[[",
                                         "\033O",   "\033O2", "\303",     "\342",   "\342\202", "\360\237\230"};
  for (int event : {key_gone, key_resized}) {
    for (bool utf8 : {true, false}) {
      for (std::string_view beginning : beginnings) {
        if (!utf8 && !beginning.empty() && static_cast<unsigned char>(beginning[0]) >= 0x80) continue;
        SCOPED_TRACE(testing::PrintToString(std::string(beginning)) + (event == key_gone ? " gone" : " resized") +
                     (utf8 ? ", UTF-8" : ", 8-bit"));
        load(bytes(beginning) + Input{event});
        EXPECT_EQ(decode(utf8), event);
      }
    }
  }
}

// ---- bursts: keys typed ahead or pasted ---------------------------------

struct Burst {
  const char* name;
  Input input;
  std::vector<int> results;  // of every decode, in order, until the input is used up
};

TEST(DecodeKey, BurstsAreDecodedOneKeyAtATimeInOrder) {
  const Burst bursts[] = {
      {"a step, Up, a step", bytes("6\033[A6"), {'6', none, '6'}},
      {"a paste of digits", bytes("66662222"), {'6', '6', '6', '6', '2', '2', '2', '2'}},
      {"a held arrow key", bytes("\033[A\033[A\033[A"), {none, none, none}},
      {"F5, F1 of the console, keypad 7, Home", bytes("\033[15~\033[[A\033Ow\033[1~"), {none, none, '7', none}},
      {"Enter, Backspace, e acute, euro sign, Menu, Q",
       bytes("\r\177\303\251\342\202\254\033[29~Q"),
       {13, 8, 233, none, 0, 'Q'}},
      {"Esc, then Alt+a", esc + pause + bytes("\033a"), {27, none}},
  };
  for (const Burst& burst : bursts) {
    SCOPED_TRACE(burst.name);
    EXPECT_EQ(decode_all(burst.input), burst.results);
  }
}

// A byte that cannot continue the key press being read is not part of it:
// it begins the next key press, so that no key is lost and no sequence is
// split into codes.
TEST(DecodeKey, AByteThatCannotContinueAKeyBeginsTheNextOne) {
  struct Case {
    const char* name;
    Input input;
    std::vector<int> codes;  // handed over, leaving out the presses that yield nothing
  };
  const Case cases[] = {
      {"broken character, then 6", bytes("\3036"), {'6'}},
      {"broken character, then Enter", bytes("\303\r"), {13}},
      {"broken character, then Up", bytes("\303\033[A"), {}},
      {"broken three-byte character, then F5", bytes("\342\202\033[15~"), {}},
      {"Alt+O, then Up", bytes("\033O\033[A"), {}},
      {"Alt+[, then Up", bytes("\033[\033[A"), {}},
  };
  for (const Case& burst : cases) {
    SCOPED_TRACE(burst.name);
    EXPECT_EQ(codes_of(burst.input), burst.codes);
  }
}

}  // namespace
