#include "http/post_body.h"

#include "common/text.h"

namespace velmo {

void BuildPostBody(const std::vector<PostArgument>& arguments, char* body, size_t bodySize) {
    CopyText(body, bodySize, "");
    bool first = true;
    for (const auto& argument : arguments) {
        if (!first) AppendText(body, bodySize, "&");
        first = false;
        if (argument.name[0] != '\0') {
            AppendText(body, bodySize, argument.name);
            AppendText(body, bodySize, "=");
        }
        AppendText(body, bodySize, argument.value);
    }
}

const char* PostContentType(const char* body) {
    return Contains(View(body), "{\"") ? kJsonContentType : kFormContentType;
}

}  // namespace velmo
