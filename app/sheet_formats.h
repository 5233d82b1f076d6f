// Bitmaps reshaped, once after loading, for the blits they serve; what they
// put on the screen stays the same to the pixel.
#pragma once

class Game;

// Call once the screen and all three sheets exist (end of initVideo).
void fitSheetsToScreen(Game& game);
