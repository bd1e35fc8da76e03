// Nothing may throw across an export: each export body runs through Guarded,
// which turns any escaped exception into the export's failure result. The
// registry keys an export call opens are kept for that call only.
#pragma once

#include <utility>

#include "common/trace.h"
#include "settings/key_cache.h"

namespace velmo {

template <typename Result, typename Body>
Result Guarded(const char* exportName, Result failure, Body&& body) noexcept {
    try {
        const RegistryCallScope keys;
        return std::forward<Body>(body)();
    } catch (...) {
        try {
            TraceLog("%s: internal error", exportName);
        } catch (...) {
        }
        return failure;
    }
}

}  // namespace velmo
