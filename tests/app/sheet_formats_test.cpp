// The sheets after loading: reshaped for fast blits where that keeps every
// pixel the same, left alone where it would not.
#include "tests/support/fixture.h"
#include "tests/support/process.h"

#include <filesystem>
#include <string>

namespace {

// The bitmap as the file holds it, without the game's reshaping.
SDL_Surface* fromFile(const std::string& dir, const char* name)
{
    return SDL_LoadBMP((dir + "/gfx/" + name).c_str());
}

bool sameFormat(const SDL_Surface* a, const SDL_Surface* b)
{
    return a->format->BitsPerPixel == b->format->BitsPerPixel &&
           a->format->Rmask == b->format->Rmask && a->format->Gmask == b->format->Gmask &&
           a->format->Bmask == b->format->Bmask;
}

// A game started in `dir` on the dummy screen (32 bits per pixel).
class SheetFormats : public ::testing::Test {
protected:
    void SetUp() override { home = std::filesystem::current_path(); }
    void TearDown() override
    {
        delete game;
        SDL_Quit();
        std::filesystem::current_path(home);
    }
    void start(const std::string& dir)
    {
        std::filesystem::current_path(dir);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        game = new Game;
        ASSERT_TRUE(game->initVideo()) << SDL_GetError();
    }
    // Rewrites one sheet of `dir`'s art through `change`.
    template <typename Change>
    void alter(const std::string& dir, const char* name, Change change)
    {
        SDL_Surface* sheet = fromFile(dir, name);
        ASSERT_NE(sheet, nullptr);
        change(sheet);
        ASSERT_EQ(SDL_SaveBMP(sheet, (dir + "/gfx/" + name).c_str()), 0);
        SDL_FreeSurface(sheet);
    }

    std::filesystem::path home;
    Game* game = nullptr;
};

void setIndex(SDL_Surface* sheet, int x, int y, Uint8 value)
{
    static_cast<Uint8*>(sheet->pixels)[y * sheet->pitch + x] = value;
}

}  // namespace

TEST_F(SheetFormats, TheGamesOwnArtIsFittedToADirectColourScreen)
{
    start(testDirectory());
    ASSERT_GT(game->screen->format->BytesPerPixel, 1);
    EXPECT_TRUE(sameFormat(game->boardImage, game->screen));
    EXPECT_TRUE(sameFormat(game->piecesImage, game->screen));
    EXPECT_EQ(game->piecesImage->flags & SDL_SRCCOLORKEY, 0u) << "no key outside marker blits";

    // The key is the colour the marker's see-through index has in the file.
    SDL_Surface* file = fromFile(testDirectory(), "pieces.bmp");
    const SDL_Color see = file->format->palette->colors[MARKER_KEY_INDEX];
    EXPECT_EQ(game->markerKey, SDL_MapRGB(game->piecesImage->format, see.r, see.g, see.b));
    SDL_FreeSurface(file);

    // The font keeps its palette, cut to background and ink, and its key.
    ASSERT_NE(game->fontImage->format->palette, nullptr);
    EXPECT_EQ(game->fontImage->format->palette->ncolors, 2);
    EXPECT_NE(game->fontImage->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(game->fontImage->format->colorkey, 0u);
}

TEST_F(SheetFormats, ReshapingThatWouldChangeThePictureIsLeftUndone)
{
    const std::string dir = process::freshDirectory("sheet-formats");
    process::copyArt(dir, {"board.bmp", "pieces.bmp", "c18font.bmp"});
    // A marker pixel that is drawn, in the very colour of the see-through
    // index: keyed by colour it would vanish.
    alter(dir, "pieces.bmp", [](SDL_Surface* sheet) {
        SDL_Color twin = sheet->format->palette->colors[MARKER_KEY_INDEX];
        SDL_SetColors(sheet, &twin, 3, 1);
        setIndex(sheet, TILE_MARKER * TILE_W + 7, 7, 3);
    });
    // A font pixel outside background and ink.
    alter(dir, "c18font.bmp", [](SDL_Surface* sheet) { setIndex(sheet, 0, 0, 5); });
    start(dir);

    EXPECT_EQ(game->piecesImage->format->BytesPerPixel, 1);
    EXPECT_EQ(game->markerKey, MARKER_KEY_INDEX);
    EXPECT_EQ(game->fontImage->format->palette->ncolors, 256);
}
