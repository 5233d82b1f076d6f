#include "render/colors.h"
#include "tests/support/fixture.h"

class LevelsTest : public GameTest {
protected:
    // What the banner frame shows, read when it is presented.
    void watchBanner()
    {
        harness::onFlip([this](SDL_Surface*) {
            if (harness::flips() == 1) {
                title = screen::textAt(*game, 48, 110, 10, COLOR_GREEN);
                line = screen::textAt(*game, 64, 130, 7, COLOR_BLUE);
            }
        });
    }
    std::string title;
    std::string line;
};

TEST_F(LevelsTest, ReachingTheThresholdShowsTheBannerForThreeSeconds)
{
    game->score = 499;
    game->advanceLevel();
    EXPECT_EQ(game->level, 1u);
    EXPECT_EQ(harness::flips(), 0u);
    EXPECT_TRUE(harness::delays().empty());

    watchBanner();
    game->score = 500;
    game->advanceLevel();
    EXPECT_EQ(game->level, 2u);
    EXPECT_EQ(title, "Welcome to");
    EXPECT_EQ(line, "Level 2");
    EXPECT_EQ(harness::delays(), std::vector<uint32_t>{3000});
    EXPECT_EQ(harness::flips(), 2u) << "the banner, then the board again";
    EXPECT_EQ(screen::textAt(*game, 64, 130, 7, COLOR_BLUE), "       ") << "banner gone";
}

TEST_F(LevelsTest, OneLevelPerCallEvenPastTwoThresholds)
{
    game->score = 1500;
    game->advanceLevel();
    EXPECT_EQ(game->level, 2u);
    game->advanceLevel();
    EXPECT_EQ(game->level, 3u);
    game->advanceLevel();
    EXPECT_EQ(game->level, 3u);
    EXPECT_EQ(harness::totalDelay(), 6000u);
}

TEST_F(LevelsTest, EveryThresholdInTurnAndSevenIsTheLastLevel)
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
    harness::reset();
    watchBanner();
    game->level = 6;
    game->score = 10000;
    game->advanceLevel();
    EXPECT_EQ(line, "Level 7");

    harness::reset();
    game->score = 4000000000u;
    for (int i = 0; i < 5; ++i) {
        game->advanceLevel();
    }
    EXPECT_EQ(game->level, 7u);
    EXPECT_EQ(harness::flips(), 0u) << "no banner beyond the last level";
}
