#include "render/colors.h"
#include "tests/support/fixture.h"

using LevelsTest = GameTest;

TEST_F(LevelsTest, ReachingTheThresholdShowsTheBannerForThreeSeconds)
{
    std::string title, line;
    harness::onFlip([&](SDL_Surface*) {
        if (harness::flips() == 1) {
            title = screen::textAt(*game, 48, 110, 10, COLOR_GREEN);
            line = screen::textAt(*game, 64, 130, 7, COLOR_BLUE);
        }
    });
    game->score = 500;
    game->advanceLevel();
    EXPECT_EQ(game->level, 2u);
    EXPECT_EQ(title, "Welcome to");
    EXPECT_EQ(line, "Level 2");
    EXPECT_EQ(harness::delays(), std::vector<uint32_t>{3000});
    EXPECT_EQ(harness::flips(), 2u) << "the banner, then the board again";
    EXPECT_EQ(screen::textAt(*game, 64, 130, 7, COLOR_BLUE), "       ") << "banner gone";
}

TEST_F(LevelsTest, EachThresholdRaisesOneLevelPerCallUpToSeven)
{
    const uint32_t thresholds[] = {500, 1500, 2000, 3000, 5000, 10000};
    for (uint32_t level = 1; level <= 6; ++level) {
        game->level = level;
        game->score = thresholds[level - 1] - 1;
        game->advanceLevel();
        EXPECT_EQ(game->level, level);
        game->score = thresholds[level - 1];
        game->advanceLevel();
        EXPECT_EQ(game->level, level + 1);
    }
    game->level = 1;
    game->score = 1500;
    game->advanceLevel();
    EXPECT_EQ(game->level, 2u) << "one level per call, even past two thresholds";

    harness::reset();
    game->level = 7;
    game->score = 4000000000u;
    game->advanceLevel();
    EXPECT_EQ(game->level, 7u);
    EXPECT_EQ(harness::flips(), 0u) << "no banner beyond the last level";
}
