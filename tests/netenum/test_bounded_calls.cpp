// Bounded calls: how long a dead computer is left alone, and what a call
// answers when its wait was given up.
#include <gtest/gtest.h>

#include "netenum/DeadComputers.h"
#include "netenum/NetBuffer.h"
#include "netenum/CallControl.h"
#include "netenum/netapi.h"
#include "support/ScriptedProvider.h"

namespace {

using namespace netapi;
using namespace std::chrono_literals;

TEST(DeadComputers, BackOffDoublesToItsLimitAndTheFirstAnswerEndsIt) {
    SetCallLimits({10s, 30s, 300s});
    DeadComputers dead;
    const auto t0 = CallClock::now();
    EXPECT_FALSE(dead.Blocked("A", t0));

    // Each failure after the period ran out doubles it: 30, 60, 120, 240, 300, 300 s.
    auto t = t0;
    for (const auto period : {30s, 60s, 120s, 240s, 300s, 300s}) {
        dead.Record("A", ERROR_SEM_TIMEOUT, t);
        EXPECT_EQ(dead.Blocked("A", t + period - 1ms), ERROR_SEM_TIMEOUT);
        EXPECT_FALSE(dead.Blocked("A", t + period));
        t += period;
    }
    EXPECT_FALSE(dead.Blocked("B", t)) << "only the computer that failed";

    // Any answer, even a refusal, means it is up: the next failure starts at 30 s.
    dead.Record("A", ERROR_BAD_NETPATH, t);
    dead.RetryAll();
    EXPECT_FALSE(dead.Blocked("A", t));
    dead.Record("A", ERROR_BAD_NETPATH, t);
    EXPECT_EQ(dead.Blocked("A", t + 299s), ERROR_BAD_NETPATH);
    dead.Record("A", ERROR_ACCESS_DENIED, t);
    EXPECT_FALSE(dead.Blocked("A", t));
    dead.Record("A", ERROR_BAD_NETPATH, t);
    EXPECT_FALSE(dead.Blocked("A", t + 30s));
    SetCallLimits({});
}

// A runner that gives every wait up, after letting the work run (or not).
class GivingUp final : public CallRunner {
public:
    Outcome outcome = Outcome::Cancelled;
    bool runWork = true;
    Outcome Run(CallControl&, std::function<void()> work) override {
        if (runWork) work();
        return outcome;
    }
};

TEST(BoundedCalls, AGivenUpCallAnswersCancelledOrTimeoutAndAChangeAlreadySentIsUnknown) {
    testing_support::ScriptedNetwork net;
    net.provider().files.records.push_back({});
    GivingUp runner;
    SetCallRunner(&runner);

    netenum::NetBuffer buffer;
    DWORD read = 0, total = 0, resume = 0;
    EXPECT_EQ(NetFileEnum(u"S", u"", u"", 3, buffer.Out(), MAX_PREFERRED_LENGTH, &read, &total,
                          &resume),
              ERROR_CANCELLED);
    EXPECT_FALSE(buffer) << "no records from a call nobody waited for";
    runner.outcome = CallRunner::Outcome::TimedOut;
    EXPECT_EQ(NetFileEnum(u"S", u"", u"", 3, buffer.Out(), MAX_PREFERRED_LENGTH, &read, &total,
                          &resume),
              ERROR_SEM_TIMEOUT);

    // A close that never left is simply cancelled; one that left may have happened.
    runner.outcome = CallRunner::Outcome::Cancelled;
    runner.runWork = false;
    EXPECT_EQ(NetFileClose(u"S", 7), ERROR_CANCELLED);
    runner.runWork = true;
    net.provider().onCall = [](const std::string&) { CurrentCall()->requestSent = true; };
    EXPECT_EQ(NetFileClose(u"S", 7), VANTOR_RESULT_UNKNOWN);
    EXPECT_EQ(NetSessionDel(u"S", u"\\\\PC", u"bob"), VANTOR_RESULT_UNKNOWN);
    // A list is never "unknown": nothing changed.
    EXPECT_EQ(NetShareEnum(u"S", 2, buffer.Out(), MAX_PREFERRED_LENGTH, &read, &total, &resume),
              ERROR_CANCELLED);
    EXPECT_EQ(net.provider().CallsNamed("NetFileClose").size(), 1u) << "nothing is sent twice";
    SetCallRunner(nullptr);
}

}  // namespace
