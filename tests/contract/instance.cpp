// Backend contract: a single-instance name has one owner at a time.
#include <random>
#include <string>

#include "contract/contract_fixture.h"
#include "platform/instance.h"

namespace {

using contract_test::BackendContract;

TEST_F(BackendContract, SingleInstanceRefusesASecondOwnerUntilTheFirstHasGone) {
    // A name of this test's own, so that no other program on the machine holds it.
    const std::string name = "DesktopJellop.ContractTest." + std::to_string(std::random_device()());
    {
        platform::InstanceClaim first(name);
        EXPECT_FALSE(first.AnotherInstanceRunning());
        platform::InstanceClaim second(name);
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    platform::InstanceClaim again(name);
    EXPECT_FALSE(again.AnotherInstanceRunning()) << "the name is free once its holders are gone";
}

} // namespace
