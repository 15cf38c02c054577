#include <gtest/gtest.h>

#include "host/SoakVerdict.h"

namespace host {
namespace {

// A clean two-second soak from mode 4: selections of 0, 1, ... every 250 ms,
// each taking 2 ms, with its status 100 in the middle; the 4 -> 0 change
// stalled the stream as a mode change does.
SoakRun CleanRun() {
    SoakRun run;
    run.seconds = 2.0;
    run.startMode = 4;
    run.expectedCount = 8192;
    run.seen.blocks = 400;
    run.seen.counts = {{8192, 400}};
    for (int n = 1; n <= 7; ++n) {
        const double at = 0.25 * n;
        const int mode = (n - 1) % 5;
        run.selections.push_back({at, at + 0.002, mode});
        run.seen.notices.push_back({at + 0.001, static_cast<int>(SampleModeRate(mode))});
    }
    run.seen.stalls.push_back({0.248, 0.334});
    run.calls = {7, 200, 20, 20, 20};
    run.posted = run.calls;
    return run;
}

bool Mentions(const SoakVerdict& verdict, const std::string& text) {
    for (const std::string& failure : verdict.failures)
        if (failure.find(text) != std::string::npos) return true;
    return false;
}

TEST(SoakVerdict, ACleanRunPasses) {
    const SoakVerdict verdict = JudgeSoak(CleanRun());
    EXPECT_TRUE(verdict.Passed()) << (verdict.failures.empty() ? "" : verdict.failures.front());
    EXPECT_EQ(verdict.notices, 7);
    EXPECT_EQ(verdict.noticesMatching, 7);
    EXPECT_EQ(verdict.stalls, 1u);
    EXPECT_EQ(verdict.explainedStalls, 1u);
    EXPECT_EQ(verdict.unexplainedStalls, 0u);
}

TEST(SoakVerdict, OnlyAStallAtOneModeChangeIsExplained) {
    struct Case {
        SoakStall stall;
        bool explained;
        const char* why;
    };
    const Case cases[] = {
        {{0.6, 0.7}, false, "no selection inside the wait"},
        {{0.6, 0.64}, true, "no selection inside, but no longer than a busy system delays a thread"},
        {{0.6, 0.651}, false, "no selection inside, and longer than the scheduling allowance"},
        {{0.252, 0.45}, true, "the stream came back within the window of the change at 0.25 s"},
        {{0.2, 0.6}, false, "spans the changes at 0.25 s and 0.5 s: the stream did not come back after the first"},
        {{0.4, 0.501}, true, "from 100 ms before the call at 0.5 s into it"},
        {{1.74, 2.06}, false, "ends more than 300 ms after the last change returned"},
    };
    for (const Case& c : cases) {
        SoakRun run = CleanRun();
        run.seen.stalls = {c.stall};
        const SoakVerdict verdict = JudgeSoak(run);
        EXPECT_EQ(verdict.unexplainedStalls, c.explained ? 0u : 1u) << c.why;
        EXPECT_EQ(verdict.explainedStalls + verdict.shortStalls + verdict.unexplainedStalls, 1u) << c.why;
        EXPECT_EQ(verdict.Passed(), c.explained) << c.why;
        if (!c.explained) {
            EXPECT_TRUE(Mentions(verdict, "1 stalls not explained by a mode change")) << c.why;
        }
    }
}

TEST(SoakVerdict, AStallThatBeganLongBeforeTheChangeIsNotPutDownToIt) {
    SoakRun run = CleanRun();
    run.selections.erase(run.selections.begin());
    run.seen.notices.erase(run.seen.notices.begin());
    run.seen.stalls = {{0.1, 0.51}};
    EXPECT_EQ(JudgeSoak(run).unexplainedStalls, 1u);
    run.seen.stalls = {{0.21, 0.51}};
    EXPECT_EQ(JudgeSoak(run).unexplainedStalls, 0u);
}

TEST(SoakVerdict, StallsBeyondTheRoomKeptCountAsUnexplained) {
    SoakRun run = CleanRun();
    run.seen.stallsNotKept = 3;
    const SoakVerdict verdict = JudgeSoak(run);
    EXPECT_EQ(verdict.stalls, 4u);
    EXPECT_EQ(verdict.unexplainedStalls, 3u);
    EXPECT_FALSE(verdict.Passed());
}

TEST(SoakVerdict, EveryStatus100MustReportTheRateOfTheModeJustSelected) {
    SoakRun wrongRate = CleanRun();
    wrongRate.seen.notices[3].rate = 200000;  // the fourth selection is mode 3, 500 kHz
    SoakVerdict verdict = JudgeSoak(wrongRate);
    EXPECT_EQ(verdict.noticesMatching, 6);
    EXPECT_TRUE(Mentions(verdict, "GetHWSR gave 200000 Hz, sample mode 3 (500000 Hz) was selected"));

    SoakRun early = CleanRun();
    early.seen.notices.insert(early.seen.notices.begin(), RateNotice{0.1, 1000000});
    verdict = JudgeSoak(early);
    EXPECT_TRUE(Mentions(verdict, "before any sample mode was selected"));

    SoakRun silent = CleanRun();
    silent.seen.notices.erase(silent.seen.notices.begin() + 4);
    verdict = JudgeSoak(silent);
    EXPECT_EQ(verdict.selectionsWithoutNotice, 1);
    EXPECT_TRUE(Mentions(verdict, "1 of 7 SetSamples calls made no status 100 call"));
}

TEST(SoakVerdict, EveryBlockMustHaveTheBlockSize) {
    SoakRun run = CleanRun();
    run.seen.counts = {{8192, 390}, {4096, 9}, {0, 1}};
    SoakVerdict verdict = JudgeSoak(run);
    EXPECT_EQ(verdict.wrongCountBlocks, 10u);
    EXPECT_TRUE(Mentions(verdict, "10 of 400 data calls with a count other than 8192 (9 of 4096)"));

    run.seen.counts = {{1, 100}, {2, 100}, {3, 100}, {4, 50}};  // 50 more of counts not tallied
    verdict = JudgeSoak(run);
    EXPECT_EQ(verdict.wrongCountBlocks, 400u);
}

TEST(SoakVerdict, LostNotificationsLateBlocksAndAnEmptyRunFail) {
    SoakRun lost = CleanRun();
    lost.posted[static_cast<std::size_t>(SoakCall::LevelOffset)] = 199;
    EXPECT_TRUE(Mentions(JudgeSoak(lost), "199 level offset messages posted for 200 SetLevelOffset calls"));

    SoakRun late = CleanRun();
    late.seen.blocksAfterStop = 2;
    EXPECT_TRUE(Mentions(JudgeSoak(late), "2 data calls after StopHW returned"));

    SoakRun empty;
    empty.expectedCount = 8192;
    const SoakVerdict verdict = JudgeSoak(empty);
    EXPECT_TRUE(Mentions(verdict, "no data call arrived"));
    EXPECT_TRUE(Mentions(verdict, "no sample mode change was made"));
}

}  // namespace
}  // namespace host
