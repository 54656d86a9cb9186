// The real X pointer of the test window, moved as a touch screen or a pen
// tablet moves it: to absolute positions.
#pragma once

// Warps the X pointer to window pixel (x, y) of the game's window and waits
// until the server has done it; false without an X11 window.
bool warpSystemPointer(int x, int y);
