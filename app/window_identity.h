// What the desktop shows of the window besides its pixels.
#pragma once

class Game;

// Names the window and gives it an icon made from the pieces sheet, for
// taskbars, docks and window switchers; the frameless window draws neither.
// Needs the screen and the sheets loaded.
void identifyWindow(Game& game);
