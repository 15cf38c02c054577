#include "host/SoakVerdict.h"

#include "receiver/SampleModes.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>

#if defined(__MINGW32__)
#define SOAK_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define SOAK_PRINTF_FORMAT printf
#endif

namespace host {
namespace {

std::string Format(const char* format, ...) __attribute__((format(SOAK_PRINTF_FORMAT, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

bool Overlaps(const SoakStall& stall, const ModeSelection& selection) {
    return stall.from <= selection.returnedAt && stall.to >= selection.calledAt;
}

bool Explained(const SoakStall& stall, const std::vector<ModeSelection>& selections) {
    const ModeSelection* spanned = nullptr;
    for (const ModeSelection& selection : selections) {
        if (!Overlaps(stall, selection)) continue;
        // A wait across two selections means the stream did not come back after the first.
        if (spanned != nullptr) return false;
        spanned = &selection;
    }
    return spanned != nullptr && stall.from >= spanned->calledAt - stallWindowSeconds &&
           stall.to <= spanned->returnedAt + stallWindowSeconds;
}

void JudgeCounts(const SoakRun& run, SoakVerdict& verdict) {
    const SoakObservations& seen = run.seen;
    std::uint64_t right = 0;
    const CountTally* firstOther = nullptr;
    for (const CountTally& tally : seen.counts) {
        if (tally.count == run.expectedCount)
            right = tally.calls;
        else if (firstOther == nullptr)
            firstOther = &tally;
    }
    verdict.wrongCountBlocks = seen.blocks - right;
    if (verdict.wrongCountBlocks == 0) return;
    std::string failure = Format("%llu of %llu data calls with a count other than %d",
                                 static_cast<unsigned long long>(verdict.wrongCountBlocks),
                                 static_cast<unsigned long long>(seen.blocks), run.expectedCount);
    if (firstOther != nullptr)
        failure += Format(" (%llu of %d)", static_cast<unsigned long long>(firstOther->calls), firstOther->count);
    verdict.failures.push_back(failure);
}

void JudgeRates(const SoakRun& run, SoakVerdict& verdict) {
    const auto& selections = run.selections;
    std::string firstMismatch;
    for (const RateNotice& notice : run.seen.notices) {
        ++verdict.notices;
        const auto after = std::upper_bound(selections.begin(), selections.end(), notice.at,
                                            [](double at, const ModeSelection& s) { return at < s.calledAt; });
        if (after == selections.begin()) {
            if (firstMismatch.empty())
                firstMismatch = Format("status 100 at %.3f s before any sample mode was selected", notice.at);
            continue;
        }
        const ModeSelection& selected = *(after - 1);
        if (notice.rate == static_cast<int>(SampleModeRate(selected.mode))) {
            ++verdict.noticesMatching;
        } else if (firstMismatch.empty()) {
            firstMismatch =
                Format("at the status 100 of %.3f s GetHWSR gave %d Hz, sample mode %d (%.0f Hz) was selected",
                       notice.at, notice.rate, selected.mode, SampleModeRate(selected.mode));
        }
    }
    if (verdict.noticesMatching != verdict.notices)
        verdict.failures.push_back(
            Format("%d of %d status 100 calls", verdict.notices - verdict.noticesMatching, verdict.notices) +
            " with a rate other than the mode selected: " + firstMismatch);

    for (const ModeSelection& selection : selections) {
        const bool noticed = std::any_of(run.seen.notices.begin(), run.seen.notices.end(), [&](const RateNotice& n) {
            return n.at >= selection.calledAt && n.at <= selection.returnedAt;
        });
        if (!noticed) ++verdict.selectionsWithoutNotice;
    }
    if (verdict.selectionsWithoutNotice != 0)
        verdict.failures.push_back(Format("%d of %zu SetSamples calls made no status 100 call",
                                          verdict.selectionsWithoutNotice, selections.size()));
}

void JudgeStalls(const SoakRun& run, SoakVerdict& verdict) {
    const SoakStall* firstUnexplained = nullptr;
    for (const SoakStall& stall : run.seen.stalls) {
        if (Explained(stall, run.selections)) {
            ++verdict.explainedStalls;
        } else if (stall.to - stall.from <= schedulingAllowanceSeconds) {
            ++verdict.shortStalls;
        } else {
            ++verdict.unexplainedStalls;
            if (firstUnexplained == nullptr) firstUnexplained = &stall;
        }
    }
    // Stalls beyond the room kept for them cannot be placed: none of them counts as explained.
    verdict.unexplainedStalls += run.seen.stallsNotKept;
    verdict.stalls = run.seen.stalls.size() + run.seen.stallsNotKept;
    if (verdict.unexplainedStalls == 0) return;
    std::string failure = Format("%llu stalls not explained by a mode change",
                                 static_cast<unsigned long long>(verdict.unexplainedStalls));
    if (firstUnexplained != nullptr)
        failure += Format(" (the first from %.3f s to %.3f s)", firstUnexplained->from, firstUnexplained->to);
    verdict.failures.push_back(failure);
}

}  // namespace

double SampleModeRate(int mode) { return excalibur::SampleModeTable[excalibur::ClampSampleMode(mode)].sampleRate; }

const char* SoakCallName(SoakCall call) {
    switch (call) {
        case SoakCall::SampleMode: return "SetSamples";
        case SoakCall::LevelOffset: return "SetLevelOffset";
        case SoakCall::Attenuator: return "SetAtt";
        case SoakCall::Dither: return "SetDither";
        case SoakCall::NoiseBlanker: return "SetNB";
    }
    return "?";
}

const char* SoakNoticeName(SoakCall call) {
    switch (call) {
        case SoakCall::SampleMode: return "sample mode";
        case SoakCall::LevelOffset: return "level offset";
        case SoakCall::Attenuator: return "attenuator";
        case SoakCall::Dither: return "dither";
        case SoakCall::NoiseBlanker: return "noise blanker";
    }
    return "?";
}

SoakVerdict JudgeSoak(const SoakRun& run) {
    SoakVerdict verdict;
    const SoakObservations& seen = run.seen;
    if (seen.blocks == 0) verdict.failures.push_back("no data call arrived");
    JudgeCounts(run, verdict);
    if (run.selections.empty()) verdict.failures.push_back("no sample mode change was made");
    JudgeRates(run, verdict);
    JudgeStalls(run, verdict);
    for (int kind = 0; kind < soakCallKinds; ++kind) {
        const auto call = static_cast<SoakCall>(kind);
        if (run.posted[kind] != run.calls[kind])
            verdict.failures.push_back(Format("%d %s messages posted for %d %s calls", run.posted[kind],
                                              SoakNoticeName(call), run.calls[kind], SoakCallName(call)));
    }
    if (seen.blocksAfterStop != 0)
        verdict.failures.push_back(
            Format("%llu data calls after StopHW returned", static_cast<unsigned long long>(seen.blocksAfterStop)));
    return verdict;
}

}  // namespace host
