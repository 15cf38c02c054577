#include "tests/support/ModuleState.h"

#include "hostlink/ExParaBlock.h"
#include "receiver/HostCallback.h"
#include "receiver/ReceiverDevice.h"

namespace testsupport {

void ResetModuleState() {
    excalibur::exPara = excalibur::ExParaBlock{};
    excalibur::exPara.sampleMode = 2;  // as the theme's start-up sets it
    excalibur::loFrequency = 7050000;
    // As a new ReceiverDevice sets them.
    excalibur::sampleRate = 200000;
    excalibur::samplesPerBufferLog2 = 13;
    excalibur::ddc1TypeIndex = 9;
    excalibur::hostCallback.Replace(nullptr);
}

}  // namespace testsupport
