// One argument of a POST request: a form field, or a file attached to a
// multipart body. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kPostArgumentNameSize = 256;
constexpr size_t kPostArgumentValueSize = 1024;

enum class PostArgumentKind : int32_t { Text = 1, File = 2 };

struct PostArgument {
    char name[kPostArgumentNameSize];
    char value[kPostArgumentValueSize];  // the text, or the path of a file argument
    PostArgumentKind kind;
    uint32_t fileStartOffset;  // file arguments only: first byte to send
};

}  // namespace velmo
