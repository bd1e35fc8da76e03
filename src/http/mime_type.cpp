#include "http/mime_type.h"

#include "common/text.h"

namespace velmo {

const char* GetMimeType(const char* fileName) {
    const std::string_view name = View(fileName);
    const char* type = "application/octet-stream";
    if (Contains(name, ".htm") || Contains(name, ".HTM") || Contains(name, ".txt") || Contains(name, ".TXT"))
        type = "text/html";
    if (Contains(name, ".mp3")) type = "audio/mpeg";
    if (Contains(name, ".jpg")) type = "image/jpeg";
    return type;
}

}  // namespace velmo
