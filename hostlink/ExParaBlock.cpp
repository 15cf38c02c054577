#include "hostlink/ExParaBlock.h"

namespace excalibur {

ExParaBlock exPara{};

}  // namespace excalibur
