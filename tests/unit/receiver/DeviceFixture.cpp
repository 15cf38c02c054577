#include "tests/unit/receiver/DeviceFixture.h"

#include "tests/support/ModuleState.h"

CallbackRecorder& CallbackRecorder::Instance() {
    static CallbackRecorder recorder;
    return recorder;
}

int CallbackRecorder::Callback(int count, int status, float iqOffset, void* data) {
    auto& self = Instance();
    if (status == 0 && data != nullptr) {
        self.lastDataCount = count;
        ++self.dataBlocks;
        return 0;
    }
    std::lock_guard lock(self.mutex);
    self.statusCalls.push_back({count, status, iqOffset, data != nullptr});
    return 0;
}

void CallbackRecorder::Clear() {
    std::lock_guard lock(mutex);
    statusCalls.clear();
    dataBlocks = 0;
    lastDataCount = -1;
}

std::vector<CallbackRecord> CallbackRecorder::StatusCalls() {
    std::lock_guard lock(mutex);
    return statusCalls;
}

void DeviceTest::SetUp() {
    testsupport::ResetModuleState();
    excalibur::exPara.levelOffset = -174;
    CallbackRecorder::Instance().Clear();
    logPath = testsupport::TemporaryPath("g31ddc-log");
    testsupport::SetEnvironment("G31DDC_SIM_LOG", logPath.c_str());
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_BLOCK", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
}

void DeviceTest::TearDown() {
    excalibur::hostCallback.Replace(nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_BLOCK", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_PACE", nullptr);
    testsupport::RemoveFile(logPath);
}

std::vector<std::string> DeviceTest::TakeLog() {
    const auto lines = testsupport::ReadLines(logPath);
    std::vector<std::string> fresh;
    for (std::size_t i = logLinesSeen; i < lines.size(); ++i) fresh.push_back(lines[i]);
    logLinesSeen = lines.size();
    return fresh;
}
