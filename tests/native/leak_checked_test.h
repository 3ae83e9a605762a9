// A fixture for tests on the fake backend that must leave no platform object behind: it
// starts from a fresh backend and, at the end, expects the same live DCs, bitmaps and regions
// as at the start and no double or forbidden release.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/live_objects.h"
#include "shared/backend.h"

class LeakCheckedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend::Reset();
        before_ = platform::memory::CountLiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(platform::memory::CountLiveObjects(), before_);
        EXPECT_EQ(platform::memory::Misuses(), std::vector<std::string>{});
    }

  private:
    platform::memory::LiveObjects before_;
};
