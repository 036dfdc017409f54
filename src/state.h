// The whole state of a game of ninedeep: a handful of globals that every
// routine reads and writes by name. Several of them play more than one role,
// and what one routine leaves in a shared variable is what the next one
// starts from, so none of them is ever copied into a private variable.
#pragma once

#include <cstdint>

// ---- the constants ---------------------------------------------------------
// Never written. Each doubles as something else, and every role counts.
inline constexpr int T = 64;   // "@", the player's glyph; also the map width and the "below T" obstacle bound of a step
inline constexpr int e = 46;   // ".", floor: carved, left behind, the only cell a placement accepts
inline constexpr int u = 96;   // monster base (value = 96 + hit points); also the sight rule's sample count and divisor, and "a" - 1
inline constexpr int K = 256;  // the moved flag OR-ed onto a cell; also the modulus that clears it and the tunnel length

// ---- the grid and the glyph table ------------------------------------------
extern int d[90][90];              // the map, d[x][y]: column x 0..63, row y 0..22 in use; each cell a glyph code, +256 once moved this turn; the rest stays 0
extern const std::uint16_t k[15];  // "--'*$.@'>$'/'$" and a 0: colour lookup (k[0..7]), level items (k[2..11]), kill drops (k[9..13])

// ---- the player record -----------------------------------------------------
// Carried from level to level; nothing resets it during a run.
extern int l;  // hit points, start 18; may drop below 0 (death) and rise above p (the 50-point gain)
extern int p;  // maximum hit points, start 18; "'" adds L
extern int w;  // weapon die, start 1, 1..10: a blow takes rand() % w + a + 1
extern int j;  // mana, start 0: +1 per kill, the teleport spell costs 6
extern int L;  // dungeon level, 0 before the first level is made, then 1..9
extern int v;  // gold, start 0: "$" adds L * L
extern int a;  // bonus flag 0 or 1: set by every step of the player, 1 only after "5"; adds 1 to a direct blow

// ---- the shared working variables ------------------------------------------
extern int x, y;  // the cursor: the cell being scanned, stepped from or just placed; every scan, N and E move it, m never does
extern int f, g;  // the player's column and row as pass 1 found them; inside N the tunnel target, left as 0 and the last target row
extern int b;     // scratch: colour index in the map view, colour-pair counter at start-up, tunnel/item/monster counter in N
extern int c;     // the last key's code minus one; also the sight rule's sample counter and N's step counter, which N leaves at 256

// ---- arithmetic shared by the rules ----------------------------------------
// 1 for a positive n, 0 for zero, -1 for a negative n.
inline int sign(int n) { return (n > 0) - (n < 0); }
