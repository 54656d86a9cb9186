// Base fixture of the windowed tests: an empty scene, the hand-stepped
// clock, and a fresh archive of test squares; the scene is freed afterwards.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/GameRig.h"
#include "support/SceneBuilders.h"

class SceneTest : public testing::Test {
protected:
    void SetUp() override
    {
        resetScene();
        useManualClock(&clock);
        archive = writeSquaresArchive();
    }
    void TearDown() override
    {
        resetScene();
        useManualClock(nullptr);
    }
    ManualClock clock;
    std::string archive;
};
