// Modal warnings shown to whoever sits at the host's screen, captioned
// "Velmo". They block the calling thread until dismissed.
#pragma once

namespace velmo {

void ShowWarning(const char* text);

}  // namespace velmo
