// The one game object: the board, the undo snapshot, the counters and the
// surfaces the renderer draws with. Every number of the layout and the rules
// is named here.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

constexpr uint32_t TABLE_SIZE = 5;      // rows of the high score table
constexpr uint32_t BOARD_W = 10;        // columns; also the row stride
constexpr uint32_t BOARD_H = 10;        // rows
constexpr uint32_t MARKER_COUNT = 4;    // new-piece markers; most pieces per spawn
constexpr uint32_t GLYPH_W = 11;        // font cell width and pen advance
constexpr uint32_t GLYPH_H = 18;        // font cell height
constexpr uint32_t BOARD_SPAN_W = 162;  // mouse x span mapped onto the columns
constexpr uint32_t BOARD_SPAN_H = 162;  // mouse y span mapped onto the rows
constexpr uint32_t TILE_W = 16;
constexpr uint32_t TILE_H = 16;
constexpr uint32_t SCREEN_W = 206;
constexpr uint32_t SCREEN_H = 274;
constexpr uint32_t BOARD_X = 23;    // screen x of column 0
constexpr uint32_t BOARD_Y = 57;    // screen y of row 0
constexpr uint32_t NO_MARKER = 69;  // marker x meaning "no marker"

constexpr uint32_t BOARD_CELLS = BOARD_W * BOARD_H;

// Cell codes double as tile indices into the pieces sheet.
constexpr uint32_t CELL_WILD = 4;   // joins a group of any kind, never starts one
constexpr uint32_t CELL_FIXED = 5;  // cannot be dragged, but groups and clears
constexpr uint32_t CELL_EMPTY = 7;  // the only place a piece may move to

// Tiles of the pieces sheet beyond the cell codes.
constexpr uint32_t TILE_MARKER = 8;
constexpr uint32_t TILE_CURSOR_BAD = 9;
constexpr uint32_t TILE_CURSOR_OK = 10;
// Palette index of the marker tile's see-through pixels in gfx/pieces.bmp.
constexpr Uint32 MARKER_KEY_INDEX = 2;

struct CellPos {
    uint32_t x;  // column, 0 at the left
    uint32_t y;  // row, 0 at the top
};

// Column BOARD_W or row BOARD_H and beyond lie off the board.
inline bool onBoard(const CellPos& cell)
{
    return cell.x < BOARD_W && cell.y < BOARD_H;
}

class Game {
public:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Board model (game/board.cpp)
    uint32_t getCell(uint32_t x, uint32_t y) const;
    void setCell(uint32_t x, uint32_t y, uint32_t code);
    void resetBoard();
    uint32_t countEmptyCells();

    // Moves and the single undo (game/moves.cpp)
    bool canMove(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) const;
    bool tryMove(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2);
    void undoMove();

    // Groups, removal and scoring (game/groups.cpp)
    void clearGroups();
    uint32_t floodGroup(uint32_t x, uint32_t y);

    // Spawning (game/spawn.cpp) and levels (game/levels.cpp)
    void spawnPieces();
    void advanceLevel();

    // Drawing (render/text.cpp, render/board_view.cpp)
    void drawText(const char* text, int x, int y, const SDL_Color* color);
    void drawBoard();
    void drawCellTile(uint32_t x, uint32_t y, uint32_t tile);
    void drawUndoLabel(const SDL_Color* color);
    void drawNewGameLabel(const SDL_Color* color);

    // Window and bitmaps (app/video.cpp)
    bool initVideo();

    // Title screen animation (app/title.cpp)
    void showAttract(uint32_t duration);

    std::array<uint32_t, BOARD_CELLS> board;     // y * BOARD_W + x
    std::array<uint32_t, BOARD_CELLS> snapshot;  // board before the latest allowed move
    std::array<CellPos, BOARD_CELLS> empties;    // first emptyCount entries, row-major
    std::array<CellPos, MARKER_COUNT> markers;   // pieces of the latest spawn
    std::array<uint32_t, BOARD_CELLS> visited;   // scratch of the group walk
    uint32_t score;
    uint32_t savedScore;  // score before the latest allowed move
    uint32_t emptyCount;  // as of the latest countEmptyCells
    uint32_t turns;
    bool undoAvailable;
    const SDL_VideoInfo* videoInfo;
    SDL_Surface* screen;
    SDL_Surface* boardImage;
    SDL_Surface* piecesImage;
    Uint32 markerKey;  // pixel value of piecesImage the marker tile shows through
    SDL_Surface* fontImage;
    uint32_t level;
};

// A number in lo..hi inclusive from the standard generator; lo <= hi.
uint32_t randomInRange(uint32_t lo, uint32_t hi);
