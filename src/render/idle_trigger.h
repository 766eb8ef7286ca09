// Raising a running renderer to the high priority class while nobody uses
// the mouse, and dropping it back to idle when the mouse moves.
#pragma once

// The pointer's horizontal position inside the main window's inner area
// (edges included), -1 outside it. Vertical movement does not count.
int MouseSample();

// One render tick of the trigger: counts still ticks (3 seconds each) while
// detection is on, boosts once the count reaches the timeout, and ends the
// boost at the first movement.
void IdleTick();
