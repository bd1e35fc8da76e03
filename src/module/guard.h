// Nothing may throw across an export: each export body runs through Guarded,
// which turns any escaped exception into the export's failure result.
#pragma once

#include <utility>

#include "common/trace.h"

namespace velmo {

template <typename Result, typename Body>
Result Guarded(const char* exportName, Result failure, Body&& body) noexcept {
    try {
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
