#pragma once
// A fixture that installs a scenario as the network for one test: every
// buffer a call handed out must be back when the test ends.
#include <gtest/gtest.h>

#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"

namespace simtest {

class ScenarioTest : public ::testing::Test {
protected:
    explicit ScenarioTest(const char* json) : net(sim::LoadScenario(json, "test.json")) { netapi::SetProvider(net); }
    void TearDown() override {
        netapi::SetProvider(nullptr);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    std::shared_ptr<sim::SimulatedNetwork> net;
};

}  // namespace simtest
