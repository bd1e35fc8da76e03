// InitLibrary / CloseLibrary: reference counting, the one-time setup and the
// delivery settings refreshed on every InitLibrary.
#pragma once

namespace velmo {

void InitializeModule();
void CloseModule();

}  // namespace velmo
