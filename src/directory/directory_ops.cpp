#include "directory/directory_ops.h"

#include "settings/registry.h"

namespace velmo {

bool DomainModeOn() { return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "VelmoADmode", 0) == 1; }

}  // namespace velmo
