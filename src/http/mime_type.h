// Content type of a file attached to a multipart body, from its name. Pure code.
#pragma once

namespace velmo {

// "text/html", "audio/mpeg", "image/jpeg" or "application/octet-stream",
// decided by case-sensitive substrings of the name (later tests win).
const char* GetMimeType(const char* fileName);

}  // namespace velmo
