// Body and content type of a form or JSON POST. Pure code.
#pragma once

#include <cstddef>
#include <vector>

#include "http/post_argument.h"

namespace velmo {

constexpr size_t kPostBodySize = 1024;         // body and its terminator
constexpr size_t kPostContentTypeSize = 200;   // content-type header line

inline constexpr char kFormContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";
inline constexpr char kJsonContentType[] = "Content-Type: application/json\r\n";

// Joins the arguments as "name=value" ("value" alone for an empty name) with
// "&", unencoded: callers pass ready-encoded text. Cut to fit `bodySize`.
// No arguments give an empty body.
void BuildPostBody(const std::vector<PostArgument>& arguments, char* body, size_t bodySize);

// JSON when the body holds a brace followed by a double quote, else form.
const char* PostContentType(const char* body);

}  // namespace velmo
