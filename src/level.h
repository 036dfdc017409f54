// Making levels and placing things on them.
#pragma once

// Digs a new level into the map window: walls, 21 tunnels from (9, 9), L one
// higher, the nine items (none on level 9) and the monsters, then clears the
// screen. Leaves x, y on the last monster placed, c at 256, f at 0, g at the
// last tunnel's target row and b at the number of monsters.
void N();

// Stores t on a random floor cell and leaves x, y on it; draws column then row
// until the cell holds exactly ".".
void E(int t);

// Blanks the whole screen for a new level. The front end provides it; it is
// the one thing the rules ever do to the screen.
void clear_screen();
