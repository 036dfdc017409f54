// One step of one entity: the player's or a monster's move, blow or pick-up.
#pragma once

// The entity in the cell at the cursor x, y acts on its neighbour in the
// direction (sign(dx), sign(dy)). Mover and target are read afresh each time
// they are named, so a kill (dx, dy become 0) or a new level (the cursor
// jumps to N's last monster) changes what they denote for the rest of the
// step. Never moves the cursor itself; may run N, which does.
void m(int dx, int dy);
