#include "common/module_state.h"

namespace velmo {

namespace {
ModuleState g_module{};
}

ModuleState& Module() { return g_module; }

}  // namespace velmo
