#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "hostlink/ExParaBlock.h"
#include "receiver/ReceiverDevice.h"
#include "tests/support/TestEnvironment.h"

// What the host saw through its callback.
struct CallbackRecord {
    int count;
    int status;
    float iqOffset;
    bool hasData;
};

class CallbackRecorder {
public:
    static CallbackRecorder& Instance();
    static int Callback(int count, int status, float iqOffset, void* data);

    void Clear();
    std::vector<CallbackRecord> StatusCalls();
    int DataBlocks() const { return dataBlocks.load(); }
    int LastDataCount() const { return lastDataCount.load(); }

private:
    std::mutex mutex;
    std::vector<CallbackRecord> statusCalls;
    std::atomic<int> dataBlocks{0};
    std::atomic<int> lastDataCount{-1};
};

// A device against the simulator, with the simulator's call log in a file of
// its own and the module-wide values as a freshly loaded module has them.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The simulator's log since the last call, one "Name arg arg" per line.
    std::vector<std::string> TakeLog();

    std::string logPath;
    std::size_t logLinesSeen = 0;
};
