#include "draws.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {
std::deque<int> scripted;
bool seeded = false;
std::uint64_t lcg_state = 0;
int count = 0;
int unscripted = 0;  // draws past the script since reset()
}  // namespace

namespace draws {

void reset() {
  scripted.clear();
  seeded = false;
  count = 0;
  unscripted = 0;
}

void script(std::initializer_list<int> values) { scripted.insert(scripted.end(), values); }

void script_repeated(int value, int times) { scripted.insert(scripted.end(), static_cast<std::size_t>(times), value); }

void seed(unsigned s) {
  seeded = true;
  lcg_state = s;
}

int taken() { return count; }

int left() { return static_cast<int>(scripted.size()); }

}  // namespace draws

// Replaces the C library's generator for everything linked into a test.
extern "C" int rand() noexcept {
  count++;
  if (!scripted.empty()) {
    int value = scripted.front();
    scripted.pop_front();
    return value;
  }
  if (seeded) {
    lcg_state = lcg_state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>(lcg_state >> 33);  // 31 bits, never negative
  }
  // A routine that goes on drawing past its script (E searching for floor)
  // would otherwise spin for ever: report the first such draw, stop the
  // whole program if it keeps going.
  if (unscripted++ == 0) ADD_FAILURE() << "rand() called with no scripted draw left (draw " << count << ")";
  if (unscripted > 1000000) {
    std::fputs("rand() drawn a million times past its script; stopping\n", stderr);
    std::abort();
  }
  return 0;
}
