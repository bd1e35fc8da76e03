// Conversion between a security descriptor as the directory stores it (the
// raw self-relative bytes of "nTSecurityDescriptor") and the automation
// object callers edit (IADsSecurityDescriptor), through the system's
// ADsSecurityUtility class. Windows has that class; where it is not
// registered (Wine) both directions fail with its COM status.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace velmo::adap {

// A new descriptor object into `descriptor` (the caller releases it) for
// the bytes that `read` gives. `read` runs only once the conversion object
// exists: the directory is not asked for what could not be handed out.
// Returns a status (read's, or the conversion's).
uint32_t DescriptorObject(const std::function<uint32_t(std::vector<uint8_t>&)>& read, IDispatch** descriptor);

// The raw bytes of a descriptor object. Returns a status.
uint32_t DescriptorBytes(IDispatch* descriptor, std::vector<uint8_t>& raw);

}  // namespace velmo::adap
