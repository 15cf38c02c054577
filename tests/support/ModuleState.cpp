#include "tests/support/ModuleState.h"

#include "hostlink/ExParaBlock.h"
#include "receiver/HostCallback.h"
#include "receiver/ReceiverDevice.h"

namespace testsupport {

void ResetModuleState() {
    excalibur::exPara = excalibur::ExParaBlock{};
    excalibur::exPara.sampleMode = excalibur::kStartUpSampleMode;  // as the theme's start-up sets it
    excalibur::loFrequency = excalibur::kStartUpFrequency;
    excalibur::ResetStreamSettings();
    excalibur::hostCallback.Replace(nullptr);
}

}  // namespace testsupport
