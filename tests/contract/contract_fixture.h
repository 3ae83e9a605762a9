// The backend contract suite's common ground: each test starts from the backend's start state
// and makes its windows shown, at a known place.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "contract/user.h"
#include "platform/window.h"

namespace contract_test {

class BackendContract : public ::testing::Test {
  protected:
    void SetUp() override { contract_user::Reset(); }
    void TearDown() override { contract_user::Reset(); }

    // A shown form window of 60 x 40 pixels at (200, 150).
    static platform::Window ShownWindow() {
        platform::Window window = platform::CreateFormWindow("ContractProbe", 200, 150, 60, 40);
        platform::ShowWindow(window.get(), true);
        return window;
    }
};

} // namespace contract_test
