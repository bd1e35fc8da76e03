// Layout of a multipart/form-data body (RFC 2046, RFC 7578): one part per
// argument, files read through a FileSource so the layout stays pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/post_argument.h"

namespace velmo {

inline constexpr char kMultipartBoundary[] = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

// Room reserved per part: the body never grows past the sum of these.
constexpr size_t kTextPartRoom = 8192;
constexpr size_t kFilePartHeaderRoom = 6144;
constexpr size_t kUnreadableFileDataRoom = 512000;  // data room of a file that cannot be opened
constexpr uint32_t kFilePartDataLimit = 2662400;    // file bytes one part carries at most
constexpr size_t kFileReadPiece = 1024;

// One file opened for shared sequential reading.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    virtual uint32_t Size() const = 0;
    virtual bool Seek(uint32_t offset) = 0;
    // Bytes read into `buffer`, 0 at the end of the file or on an error.
    virtual size_t Read(char* buffer, size_t size) = 0;
};

// Opens the files that arguments name.
class FileSource {
public:
    virtual ~FileSource() = default;
    virtual std::unique_ptr<OpenFile> Open(const char* path) = 0;  // null on failure
    virtual uint32_t LastErrorCode() const = 0;
};

struct MultipartBody {
    std::string bytes;            // the body; empty when there is nothing to send
    uint32_t totalFileBytes = 0;  // size of the last file attached (after its offset)
};

// Builds the body for `arguments`; `boundary` already starts with "--" and
// each delimiter line puts two more hyphens in front of it. A file that
// cannot be opened still gets its part, with no data.
MultipartBody BuildMultipartBody(const std::vector<PostArgument>& arguments, std::string_view boundary,
                                 FileSource& files);

}  // namespace velmo
