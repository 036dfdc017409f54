// Whole games through the real turn loop: play() with a front end that, on
// every turn, checks the map as pass 1 left it and hands over the next key.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "draws.h"
#include "game_state.h"
#include "level.h"
#include "screen_stub.h"
#include "state.h"
#include "turn.h"

namespace {

// ---- what must hold at the top of every turn ---------------------------------

// The values a cell of the window can hold once pass 1 has dropped the moved
// flags: wall, the items, floor, stairs, the player, and the monsters "a" to
// "r" (the generator makes "c" to "r", blows only lower them).
bool is_known_cell(int value) {
  switch (value) {
    case '#':
    case '$':
    case '\'':
    case '*':
    case '.':
    case '/':
    case '>':
    case '@':
      return true;
    default:
      return value >= 'a' && value <= 'r';
  }
}

// What the front end remembers between two turns.
struct Record {
  bool player_on_map;  // a "@" stood on the map at the last check
  int hit_points, max_hit_points, gold, level;
};

Record current_record() { return {count_cells(T) > 0, l, p, v, L}; }

std::string at(int col, int row) { return " at column " + std::to_string(col) + ", row " + std::to_string(row); }

// The first rule the game breaks at this turn, or "" while all hold. `last`
// is what the previous check saw, and is brought up to date.
std::string first_broken_rule(Record& last) {
  if (!outside_window_untouched()) return "a cell outside the map window was written";
  int players = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) {
      int value = d[col][row];
      if (value >= K) return "the moved flag outlived pass 1 (" + std::to_string(value) + ")" + at(col, row);
      if (value == '-' || value == u) return "cell value " + std::to_string(value) + at(col, row);
      if (!is_known_cell(value)) return "unknown cell value " + std::to_string(value) + at(col, row);
      players += value == T;
    }
  if (players > 1) return std::to_string(players) + " players on the map";
  if (L < last.level || L > 9) return "level went from " + std::to_string(last.level) + " to " + std::to_string(L);
  if (L == 9 && players > 0) return "a player on level 9";
  if (!last.player_on_map && players > 0) return "a player came back after vanishing";
  // Only a "@" on the map can gain or lose hit points; a blow that kills it
  // does so in the very turn it vanishes.
  if (!last.player_on_map && l != last.hit_points)
    return "hit points changed from " + std::to_string(last.hit_points) + " to " + std::to_string(l) +
           " with no player on the map";
  if (j < 0) return "mana " + std::to_string(j);
  if (w < 1 || w > 10) return "weapon die " + std::to_string(w);
  if (p < last.max_hit_points) return "maximum hit points fell to " + std::to_string(p);
  if (v < last.gold) return "gold fell to " + std::to_string(v);
  last = current_record();
  return "";
}

// ---- steering toward the stairs ----------------------------------------------

// The digit key of the keypad layout for a step (dx, dy): "7" up-left ...
// "3" down-right.
int digit_key(int dx, int dy) { return '5' + dx - 3 * dy; }

// The key whose step starts the shortest way from "@" to ">" through cells
// that are not wall (a monster in the way gets struck, an item taken), or 0
// when there is no "@" or no way.
int key_toward_stairs() {
  std::deque<std::pair<int, int>> queue;
  int first_step[64][23];  // digit key of the first step toward each cell reached, 0 if not reached
  for (auto& column : first_step)
    for (int& key : column) key = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++)
      if (d[col][row] == T) {
        first_step[col][row] = '5';
        queue.emplace_back(col, row);
      }
  if (queue.size() != 1) return 0;
  while (!queue.empty()) {
    auto [col, row] = queue.front();
    queue.pop_front();
    if (d[col][row] == '>') return first_step[col][row];
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++) {
        int next_col = col + dx, next_row = row + dy;
        if (next_col < 0 || next_col >= T || next_row < 0 || next_row >= 23) continue;
        if (first_step[next_col][next_row] != 0 || d[next_col][next_row] == '#') continue;
        first_step[next_col][next_row] = first_step[col][row] == '5' ? digit_key(dx, dy) : first_step[col][row];
        queue.emplace_back(next_col, next_row);
      }
  }
  return 0;
}

// ---- a whole game, steered down to level 9 -----------------------------------

namespace steered {
Record last;
int keys_asked;
int keys_on_level_9;
int mana_on_reaching_level_9;
bool quit_sent;

// Keys sent on level 9 before "Q": none of them may change anything but the
// monsters' places ("a" takes no mana, there is no player to step).
constexpr char level_9_keys[] = "6a51";

int front_end() {
  keys_asked++;
  if (quit_sent) {
    ADD_FAILURE() << "a key was asked for after the turn of \"Q\"";
    return no_more_keys;
  }
  if (std::string broken = first_broken_rule(last); !broken.empty()) {
    ADD_FAILURE() << "turn " << keys_asked << ", level " << L << ": " << broken << "\n" << whole_map_text();
    return no_more_keys;
  }
  if (keys_asked > 20000) {
    ADD_FAILURE() << "still on level " << L << " after 20000 keys";
    return no_more_keys;
  }
  if (L == 9) {
    if (keys_on_level_9 == 0) mana_on_reaching_level_9 = j;
    if (level_9_keys[keys_on_level_9] != '\0') return level_9_keys[keys_on_level_9++];
    quit_sent = true;
    return 'Q';
  }
  int key = key_toward_stairs();
  if (key == 0) {
    ADD_FAILURE() << "no way from \"@\" to \">\" on level " << L << "\n" << whole_map_text();
    return no_more_keys;
  }
  return key;
}
}  // namespace steered

class WholeGame : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_game_state();
    clear_screen_calls = 0;
  }
};

TEST_F(WholeGame, WalkingToTheStairsReachesLevelNineAndQuitEndsIt) {
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    reset_game_state();
    clear_screen_calls = 0;
    draws::seed(seed);
    // The walk is about the stairs, not the fights: with this many hit points
    // no monster can end it before level 9.
    l = p = 1000000;
    N();
    steered::last = current_record();
    steered::keys_asked = 0;
    steered::keys_on_level_9 = 0;
    steered::quit_sent = false;

    bool quit = play(steered::front_end);

    EXPECT_TRUE(quit);
    EXPECT_TRUE(steered::quit_sent);
    EXPECT_EQ(L, 9);  // the status line shows "W" there
    EXPECT_EQ(count_cells(T), 0);
    EXPECT_EQ(clear_screen_calls, 9);  // one new level per clear, none skipped or repeated
    EXPECT_EQ(steered::keys_on_level_9, 4);
    EXPECT_EQ(j, steered::mana_on_reaching_level_9);
    EXPECT_TRUE(outside_window_untouched());
  }
}

// ---- how play() starts and stops ---------------------------------------------

namespace scripted {
std::vector<int> keys;
std::size_t next;

int front_end() {
  if (next >= keys.size()) {
    ADD_FAILURE() << "play() asked for key " << next + 1 << " of " << keys.size();
    return no_more_keys;
  }
  return keys[next++];
}
}  // namespace scripted

TEST_F(WholeGame, QuitEndsPlayAfterItsOwnTurnAndNoKeyEndsItAtOnce) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    bool returned;
    const char* map;  // columns 10 to 12, rows 5 to 7, as play() leaves them
    int hit_points, gold;
  };
  const Case cases[] = {
      // The monster strikes, then the up-right step takes the gold; the loop
      // ends before pass 1 could clear the player's moved flag.
      {"Q", {'Q'}, true, "..&\n...\nc..", 15, 1},
      {"no key", {no_more_keys}, false, "..$\n.@.\nc..", 18, 0},
      {"q is a step up, not the quit key", {'q', no_more_keys}, false, ".@$\n...\nc..", 15, 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    reset_game_state();
    L = 1;
    load_map({"..$", ".@.", "c.."}, 10, 5);
    scripted::keys = test.keys;
    scripted::next = 0;

    EXPECT_EQ(play(scripted::front_end), test.returned);

    EXPECT_EQ(scripted::next, test.keys.size());
    EXPECT_EQ(map_text(10, 5, 3, 3), test.map);
    EXPECT_EQ(l, test.hit_points);
    EXPECT_EQ(v, test.gold);
    EXPECT_EQ(draws::taken(), 0);
  }
}

// ---- the randomised soak -----------------------------------------------------

// A count from the environment, or the fallback when it is unset or not a
// positive number.
int count_from_environment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 1000000000) {
    ADD_FAILURE() << name << "=" << text << " is not a positive count";
    return fallback;
  }
  return static_cast<int>(value);
}

namespace soak {
std::mt19937 key_source;
Record last;
unsigned seed;
int keys_per_game;
int keys_asked;
int quits_sent;
bool broken;
bool drawn_to_stairs;

// Mostly the digits (and extra "5" and "a"), now and then any code but "Q";
// a game drawn to the stairs takes every third key toward ">" instead.
int random_key() {
  if (drawn_to_stairs && key_source() % 3 == 0)
    if (int key = key_toward_stairs(); key != 0) return key;
  int roll = static_cast<int>(key_source() % 100);
  if (roll < 60) return '1' + static_cast<int>(key_source() % 9);
  if (roll < 70) return '5';
  if (roll < 78) return 'a';
  int code;
  do code = static_cast<int>(key_source() % 256);
  while (code == 'Q');
  return code;
}

int front_end() {
  keys_asked++;
  if (std::string rule = first_broken_rule(last); !rule.empty()) {
    ADD_FAILURE() << "seed " << seed << ", turn " << keys_asked << ", level " << L << ": " << rule << "\n"
                  << whole_map_text();
    broken = true;
    return no_more_keys;
  }
  if (keys_asked <= keys_per_game) return random_key();
  // "Q" whose step reaches the stairs plays on, at most once per level.
  if (++quits_sent > 10) {
    ADD_FAILURE() << "seed " << seed << ": ten \"Q\" did not end the game";
    broken = true;
    return no_more_keys;
  }
  return 'Q';
}
}  // namespace soak

// Many games of random keys, every turn checked. The counts come from
// NINEDEEP_SOAK_SEEDS and NINEDEEP_SOAK_KEYS for a longer run by hand.
TEST(Soak, RandomKeysNeverBreakTheGame) {
  const int seeds = count_from_environment("NINEDEEP_SOAK_SEEDS", 40);
  soak::keys_per_game = count_from_environment("NINEDEEP_SOAK_KEYS", 3000);
  const auto start = std::chrono::steady_clock::now();
  int failed_games = 0, deaths = 0, turns = 0;
  int deepest[10] = {};  // games by the level they ended on
  for (int game = 1; game <= seeds && failed_games < 3; game++) {
    reset_game_state();
    clear_screen_calls = 0;
    soak::seed = static_cast<unsigned>(game);
    draws::seed(soak::seed);
    soak::key_source.seed(soak::seed);
    // Every other game is drawn to the stairs and starts with more hit points
    // the later it comes, so that games end on every level, level 9 included,
    // and meet the level changes on the way.
    soak::drawn_to_stairs = game % 2 == 0;
    if (soak::drawn_to_stairs) l = p = 250 * game;
    N();
    soak::last = current_record();
    soak::keys_asked = 0;
    soak::quits_sent = 0;
    soak::broken = false;

    bool quit = play(soak::front_end);

    if (soak::broken || !quit) {
      if (!quit && !soak::broken) ADD_FAILURE() << "seed " << soak::seed << ": play() did not end on \"Q\"";
      failed_games++;
      continue;
    }
    turns += soak::keys_asked;
    deaths += L < 9 && count_cells(T) == 0;
    deepest[L]++;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("soak: %d games x %d keys, %d turns in %.1f s, %d deaths; games by last level:", seeds,
              soak::keys_per_game, turns, seconds, deaths);
  for (int level = 1; level <= 9; level++) std::printf(" L%d:%d", level, deepest[level]);
  std::printf("\n");
}

}  // namespace
