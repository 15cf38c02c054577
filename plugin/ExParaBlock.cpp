#include "plugin/ExParaBlock.h"

namespace excalibur {

ExParaBlock exPara{};

}  // namespace excalibur
