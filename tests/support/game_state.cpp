#include "game_state.h"

#include "draws.h"
#include "state.h"

void reset_game_state() {
  for (auto& column : d)
    for (int& cell : column) cell = 0;
  l = 18;
  p = 18;
  w = 1;
  j = 0;
  L = 0;
  v = 0;
  a = 0;
  x = y = f = g = b = c = 0;
  draws::reset();
}

void load_map(std::initializer_list<std::string_view> rows, int left, int top) {
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) d[col][row] = '#';
  int row = top;
  for (std::string_view text : rows) {
    for (std::size_t i = 0; i < text.size(); i++) d[left + static_cast<int>(i)][row] = static_cast<unsigned char>(text[i]);
    row++;
  }
}

namespace {
char shown(int value) {
  if (value < K) return static_cast<char>(value);
  int plain = value % K;
  if (plain == e) return '+';
  if (plain == T) return '&';
  if (plain / u == 1 && plain > u) return static_cast<char>(plain - 32);
  return '?';
}
}  // namespace

std::string map_text(int left, int top, int width, int height) {
  std::string text;
  for (int row = top; row < top + height; row++) {
    if (row > top) text += '\n';
    for (int col = left; col < left + width; col++) text += shown(d[col][row]);
  }
  return text;
}

std::string whole_map_text() { return map_text(0, 0, T, 23); }

int count_cells(int value) {
  int n = 0;
  for (int row = 0; row < 23; row++)
    for (int col = 0; col < T; col++) n += d[col][row] == value;
  return n;
}

bool outside_window_untouched() {
  for (int col = 0; col < 90; col++)
    for (int row = 0; row < 90; row++)
      if ((col >= T || row >= 23) && d[col][row] != 0) return false;
  return true;
}
