// For tests that run the rules without a terminal: clear_screen() only counts.
#pragma once

extern int clear_screen_calls;  // calls of clear_screen() since the test reset it
