#include "platform/ModuleResources.h"

namespace platform {

// Natively there is no resource section and no pointer cursor to set.
void* OwnModule() { return nullptr; }

void* LoadCursorResource(int) { return nullptr; }

}  // namespace platform
