// Files for multipart bodies, opened with the Windows file API.
#pragma once

#include "http/multipart_body.h"

namespace velmo {

class WindowsFileSource : public FileSource {
public:
    std::unique_ptr<OpenFile> Open(const char* path) override;
    uint32_t LastErrorCode() const override;
};

}  // namespace velmo
