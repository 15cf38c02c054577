#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "host/SoakDriver.h"

namespace host {
namespace {

using namespace std::chrono_literals;

// The plug-in's side: records every call, and can hold SetSamples the way a
// call waits for a window message the owner thread has not handled yet.
struct FakePlugin {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    bool holdSetSamples = false;
    bool insideSetSamples = false;
    int wakes = 0;

    void Record(const std::string& call) {
        std::lock_guard lock(mutex);
        calls.push_back(call);
        changed.notify_all();
    }
    template <typename Predicate>
    bool WaitFor(Predicate done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return done(); });
    }
} plugin;

void EXCALIBUR_STDCALL FakeSetSamples(int mode) {
    std::unique_lock lock(plugin.mutex);
    plugin.insideSetSamples = true;
    plugin.changed.notify_all();
    plugin.changed.wait(lock, [] { return !plugin.holdSetSamples; });
    plugin.insideSetSamples = false;
    plugin.calls.push_back("SetSamples " + std::to_string(mode));
    plugin.changed.notify_all();
}
void EXCALIBUR_STDCALL FakeSetLevelOffset(int db) { plugin.Record("SetLevelOffset " + std::to_string(db)); }
void EXCALIBUR_STDCALL FakeSetAtt(int on) { plugin.Record("SetAtt " + std::to_string(on)); }
void EXCALIBUR_STDCALL FakeSetDither(int on) { plugin.Record("SetDither " + std::to_string(on)); }
void EXCALIBUR_STDCALL FakeSetNB(int on) { plugin.Record("SetNB " + std::to_string(on)); }

const SoakExports fakeExports{&FakeSetSamples, &FakeSetLevelOffset, &FakeSetAtt, &FakeSetDither, &FakeSetNB};

class SoakDriverTest : public testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(plugin.mutex);
        plugin.calls.clear();
        plugin.holdSetSamples = false;
        plugin.insideSetSamples = false;
        plugin.wakes = 0;
    }

    static SoakStart From(int mode) {
        SoakStart start;
        start.sampleMode = mode;
        return start;
    }
    static void CountWake() {
        std::lock_guard lock(plugin.mutex);
        ++plugin.wakes;
        plugin.changed.notify_all();
    }
};

TEST_F(SoakDriverTest, CallsTheExportsTheScheduleNamesAndRecordsEachSelection) {
    // An origin in the past: every kind is due at once.
    const auto origin = std::chrono::steady_clock::now() - 10s;
    const SoakSchedule schedule(From(4), 7);
    SoakSchedule expected = schedule;
    std::vector<SoakStep> firstSteps;
    expected.TakeDue(10.0, firstSteps);

    SoakDriver driver(fakeExports, schedule, origin, &CountWake);
    driver.Start();
    ASSERT_TRUE(plugin.WaitFor([] { return plugin.calls.size() >= 5; }));
    driver.RequestStop();
    ASSERT_TRUE(plugin.WaitFor([&] { return driver.Finished(); }));
    driver.Join();

    std::lock_guard lock(plugin.mutex);
    ASSERT_GE(plugin.calls.size(), 5u);
    ASSERT_EQ(firstSteps.size(), 5u);
    EXPECT_EQ(plugin.calls[0], "SetSamples 0");
    EXPECT_EQ(plugin.calls[1], "SetAtt 1");
    EXPECT_EQ(plugin.calls[2], "SetDither 1");
    EXPECT_EQ(plugin.calls[3], "SetNB 1");
    EXPECT_EQ(plugin.calls[4], "SetLevelOffset " + std::to_string(firstSteps[4].value));
    ASSERT_GE(driver.Selections().size(), 1u);
    const ModeSelection& first = driver.Selections().front();
    EXPECT_EQ(first.mode, 0);
    EXPECT_GE(first.calledAt, 10.0);
    EXPECT_GE(first.returnedAt, first.calledAt);
    EXPECT_EQ(driver.CallsOf(SoakCall::SampleMode), static_cast<int>(driver.Selections().size()));
    EXPECT_EQ(plugin.wakes, 1);
}

TEST_F(SoakDriverTest, AStopRequestDoesNotWaitForACallThatIsStillInsideThePlugin) {
    {
        std::lock_guard lock(plugin.mutex);
        plugin.holdSetSamples = true;
    }
    SoakDriver driver(fakeExports, SoakSchedule(From(1), 7), std::chrono::steady_clock::now() - 1s, &CountWake);
    driver.Start();
    ASSERT_TRUE(plugin.WaitFor([] { return plugin.insideSetSamples; }));

    driver.RequestStop();  // returns while SetSamples is held
    EXPECT_FALSE(driver.Finished());
    {
        std::lock_guard lock(plugin.mutex);
        EXPECT_EQ(plugin.wakes, 0);
        plugin.holdSetSamples = false;
        plugin.changed.notify_all();
    }
    ASSERT_TRUE(plugin.WaitFor([] { return plugin.wakes == 1; }));
    EXPECT_TRUE(driver.Finished());
    driver.Join();
    std::lock_guard lock(plugin.mutex);
    // The held call completed and the rest of its step followed; nothing after the stop.
    EXPECT_EQ(plugin.calls.front(), "SetSamples 2");
    EXPECT_EQ(plugin.calls.size(), 5u);
    EXPECT_EQ(driver.Selections().size(), 1u);
}

}  // namespace
}  // namespace host
