#include "http/multipart_body.h"

#include <algorithm>

#include "common/trace.h"
#include "http/mime_type.h"

namespace velmo {

namespace {

// Appends to the body without ever passing the room reserved for it.
class BoundedBody {
public:
    explicit BoundedBody(size_t room) : room_(room) { bytes_.reserve(room); }
    void Append(std::string_view text) { bytes_.append(text.substr(0, room_ - bytes_.size())); }
    size_t Free() const { return room_ - bytes_.size(); }
    std::string Take() { return std::move(bytes_); }

private:
    size_t room_;
    std::string bytes_;
};

size_t ReservedRoom(const std::vector<PostArgument>& arguments, FileSource& files) {
    size_t room = 0;
    for (const auto& argument : arguments) {
        if (argument.kind != PostArgumentKind::File) {
            room += kTextPartRoom;
            continue;
        }
        auto file = files.Open(argument.value);
        if (file) {
            room += kFilePartHeaderRoom + file->Size();
        } else {
            TraceLog("file len %d", static_cast<int>(kUnreadableFileDataRoom));
            room += kFilePartHeaderRoom + kUnreadableFileDataRoom;
        }
    }
    return room;
}

void AppendFilePart(BoundedBody& body, const PostArgument& argument, std::string_view boundary, FileSource& files,
                    uint32_t& totalFileBytes) {
    const char* type = GetMimeType(argument.value);
    body.Append(Format("--%.*s\r\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\nContent-Type: %s\r\n\r\n",
                       static_cast<int>(boundary.size()), boundary.data(), argument.name, argument.value, type));
    uint32_t size = 0;
    uint32_t taken = 0;
    if (auto file = files.Open(argument.value)) {
        size = file->Size();
        totalFileBytes = size;
        if (argument.fileStartOffset != 0 && argument.fileStartOffset < size && file->Seek(argument.fileStartOffset)) {
            size -= argument.fileStartOffset;
            totalFileBytes = size;
        }
        char piece[kFileReadPiece];
        while (taken < kFilePartDataLimit) {
            const size_t want = std::min<size_t>({sizeof piece, kFilePartDataLimit - taken, body.Free()});
            const size_t got = want ? file->Read(piece, want) : 0;
            if (got == 0) break;
            body.Append(std::string_view(piece, got));
            taken += static_cast<uint32_t>(got);
        }
    }
    body.Append("\r\n");
    TraceLog("file chunk %d, for sent %d. dwTotalBytes %d (%s) %X", static_cast<int>(size),
             static_cast<int>(kFilePartDataLimit), static_cast<int>(taken), type, files.LastErrorCode());
}

}  // namespace

MultipartBody BuildMultipartBody(const std::vector<PostArgument>& arguments, std::string_view boundary,
                                 FileSource& files) {
    MultipartBody result;
    if (arguments.empty()) return result;
    BoundedBody body(ReservedRoom(arguments, files));
    for (const auto& argument : arguments) {
        if (argument.kind == PostArgumentKind::File) {
            AppendFilePart(body, argument, boundary, files, result.totalFileBytes);
        } else {
            body.Append(Format("--%.*s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n%s\r\n",
                               static_cast<int>(boundary.size()), boundary.data(), argument.name, argument.value));
        }
    }
    body.Append(Format("--%.*s--\r\n", static_cast<int>(boundary.size()), boundary.data()));
    result.bytes = body.Take();
    return result;
}

}  // namespace velmo
