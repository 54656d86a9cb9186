// The images named for decoding while the window opens are exactly those the
// first screen then shows, whatever the settings make that screen.
#include <gtest/gtest.h>

#include "app/App.h"
#include "app/StartupScene.h"
#include "resources/DeferredDecoding.h"
#include "support/GameScenario.h"

class StartupPrefetchTest : public testing::Test {
protected:
    void TearDown() override { endScenario(); }
    ManualClock clock;
};

TEST_F(StartupPrefetchTest, PrefetchNamesExactlyTheImagesTheFirstScreenShows)
{
    Settings welcome, small, large, solved;
    welcome.showWelcome = 1;
    small.showWelcome = large.showWelcome = solved.showWelcome = 0;
    small.puzzleSize = 0;
    small.menuExpanded = 0;
    large.puzzleSize = 1;
    large.menuExpanded = 1;
    solved.puzzleSize = 1;
    solved.completed[0] = 1;
    const Settings *cases[] = {&welcome, &small, &large, &solved};
    for (const Settings *settings : cases) {
        ASSERT_TRUE(beginDeferredDecoding());
        prefetchFirstScreen(*settings);
        DecodeCounts counts = startScenario(clock, *settings);
        SCOPED_TRACE(testing::Message() << "welcome " << (int)settings->showWelcome << ", size "
                                        << (int)settings->puzzleSize << ", menu " << (int)settings->menuExpanded
                                        << ", first picture solved " << (int)settings->completed[0]);
        EXPECT_GT(counts.prefetched, 0);
        EXPECT_EQ(counts.prefetched, counts.claimed);
        EXPECT_EQ(0, counts.requested);
        EXPECT_GT(counts.archivesRead, 0);
        EXPECT_EQ(counts.archivesRead, counts.archivesTaken) << "an archive read twice";
        endScenario();
    }
}
