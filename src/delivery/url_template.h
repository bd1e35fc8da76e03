// Gateway and verification URL templates: placeholders filled in place.
// Pure code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kFilledUrlSize = 340;  // a filled URL keeps at most 339 characters

// Replaces the first `first` with `firstValue`, then the first `second` with
// `secondValue`. Values go in unencoded (templates are the administrator's),
// except for control characters, which are percent-encoded.
std::string FillTemplate(std::string_view text, std::string_view first, std::string_view firstValue,
                         std::string_view second, std::string_view secondValue);

// A URL or template as a trace line shows it. While trace masking is on, its
// user information and its query, where gateways and services take their
// keys, are the mark; a template filled for the trace also gets the mark for
// the code (`second`). Unchanged while masking is off.
std::string TracedUrl(std::string_view url);
std::string TracedFilledUrl(std::string_view text, std::string_view first, std::string_view firstValue,
                            std::string_view second, std::string_view secondValue);

}  // namespace velmo
