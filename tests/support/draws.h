// Scripted random draws. The test binaries define rand() themselves, so every
// draw the rules take comes from here: first the scripted values in order,
// then, if a seed was given, a fixed pseudo-random sequence; a draw with
// neither fails the test.
#pragma once

#include <initializer_list>

namespace draws {

void reset();                                // forgets the script and the seed, count back to 0
void script(std::initializer_list<int> values);  // appends values for the next draws
void script_repeated(int value, int times);  // appends value `times` times
void seed(unsigned s);                       // after the script, draws come from a sequence fixed by s
int taken();                                 // draws taken since reset()
int left();                                  // scripted values not yet taken

}  // namespace draws
