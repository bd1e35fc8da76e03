// The HTTP client's rules that need no network: URL parsing, request rules,
// POST bodies, content types and the multipart layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "common/text.h"
#include "http/mime_type.h"
#include "http/multipart_body.h"
#include "http/post_body.h"
#include "http/request_rules.h"
#include "http/url_parts.h"

using namespace velmo;

namespace {

PostArgument Arg(const char* name, const std::string& value, bool file = false, uint32_t offset = 0) {
    PostArgument a{};
    CopyText(a.name, name);
    CopyText(a.value, value);
    a.kind = file ? PostArgumentKind::File : PostArgumentKind::Text;
    a.fileStartOffset = offset;
    return a;
}

// Files held in memory: the layout does not care where the bytes live.
struct MemoryFiles : FileSource {
    std::map<std::string, std::string> files;
    struct File : OpenFile {
        std::string data;
        size_t at = 0;
        uint32_t Size() const override { return static_cast<uint32_t>(data.size()); }
        bool Seek(uint32_t offset) override { return (at = offset) <= data.size(); }
        size_t Read(char* buffer, size_t size) override {
            const size_t n = data.copy(buffer, size, at);
            at += n;
            return n;
        }
    };
    std::unique_ptr<OpenFile> Open(const char* path) override {
        if (!files.count(path)) return nullptr;
        auto file = std::make_unique<File>();
        file->data = files[path];
        return file;
    }
    uint32_t LastErrorCode() const override { return 0; }
};

}  // namespace

TEST(HttpRules, ParseUrl) {
    const std::string longQuery(400, 'q'), longHost(5000, 'h');
    struct Row {
        std::string url, scheme, host;
        uint16_t port;
        std::string path, query;  // "earlier": left as it was
        bool secure;
    } rows[] = {
        {"https://sms.example.net/send?to=1&t=2", "https", "sms.example.net", 443, "/send", "to=1&t=2", true},
        {"http://10.1.2.3:8443/a/b", "http", "10.1.2.3", 8443, "/a/b", "earlier", false},
        {"HTTPS://h/x", "HTTPS", "h", 80, "/x", "earlier", false},  // only "https" exactly means 443
        {"http://h/?r=https:x", "http", "h", 80, "/", "r=https:x", true},
        {"gate.local:8080/sms?x=1", "http", "gate.local", 8080, "/sms", "x=1", false},
        {"http://h.example", "http", "h.example", 80, "", "earlier", false},
        {"http://h?q=1", "http", "h?q=1", 80, "", "earlier", false},
        {"http://h:99999/p?a?b", "http", "h", 99999 % 65536, "/p", "a?b", false},
        {"http://h:abc/p?", "http", "h", 0, "/p", "", false},
        {"http:/", "http", "", 80, "", "earlier", false}, {":", "http", "", 0, "", "earlier", false},
        {"http://h/p?" + longQuery, "http", "h", 80, "/p", longQuery.substr(0, 290), false},
        {longHost, "http", longHost.substr(0, kUrlPartSize - 1), 80, "", "earlier", false},
    };
    for (const auto& row : rows) {
        UrlParts parts;
        char query[kQuerySize] = "earlier";
        ParseURL(row.url, parts, query, sizeof query);
        EXPECT_EQ(std::make_tuple(std::string(parts.scheme), std::string(parts.host), parts.port, std::string(parts.path),
                                  std::string(query)),
                  std::make_tuple(row.scheme, row.host, row.port, row.path, row.query))
            << row.url.substr(0, 60);
        EXPECT_EQ(IsSecureUrl(row.url), row.secure) << row.url.substr(0, 60);
    }
}

TEST(HttpRules, RequestLineHeadersAndProxy) {
    const std::tuple<int, const char*, const char*, const char*> rows[] = {
        {HttpGet, "/verify", "", "/verify?"}, {HttpGet, "", "", "?"}, {7, "/x", "a=1", "/x?a=1"},
        {HttpPost, "/api", "ignored=1", "/api"}, {HttpPostMultipart, "/up", "q", "/up"}};
    for (const auto& [method, path, query, objectName] : rows) EXPECT_EQ(RequestObjectName(method, path, query), objectName);

    EXPECT_EQ(GetHeaderBlock(""), "Content-Type: text/html\r\n");
    EXPECT_EQ(GetHeaderBlock("X"), "Content-Type: text/html\r\n");
    EXPECT_EQ(GetHeaderBlock("X:"), "X:");
    EXPECT_FALSE(UsesProxyServer("none"));
    EXPECT_TRUE(UsesProxyServer("h:312"));
    EXPECT_FALSE(SetsProxyCredentials("a"));
    EXPECT_TRUE(SetsProxyCredentials("ab"));
}

TEST(HttpRules, PostBodyAndContentType) {
    const std::string big(1000, 'v');
    const std::tuple<std::vector<PostArgument>, std::string, const char*> rows[] = {
        {{Arg("", "{\"user\":\"alice\"}")}, "{\"user\":\"alice\"}", kJsonContentType},
        {{Arg("To", "+49"), Arg("Body", "Code 1&2")}, "To=+49&Body=Code 1&2", kFormContentType},
        {{Arg("a", "{x}")}, "a={x}", kFormContentType}, {{Arg("", ""), Arg("b", "1")}, "&b=1", kFormContentType},
        {{}, "", kFormContentType},
        {{Arg("a", big), Arg("b", big)}, ("a=" + big + "&b=" + big).substr(0, kPostBodySize - 1), kFormContentType},
    };
    for (const auto& [arguments, expected, contentType] : rows) {
        char body[kPostBodySize];
        BuildPostBody(arguments, body, sizeof body);
        EXPECT_EQ(body, expected);
        EXPECT_STREQ(PostContentType(body), contentType) << body;
    }
}

TEST(HttpRules, MimeTypeByNameLaterTestsWin) {
    const std::pair<const char*, const char*> rows[] = {
        {"report.htm", "text/html"},   {"NOTES.TXT", "text/html"},  {"song.mp3", "audio/mpeg"},
        {"photo.jpg", "image/jpeg"},   {"photo.JPG", "application/octet-stream"},
        {"a.jpg.txt", "image/jpeg"},   {"a.mp3.jpg", "image/jpeg"}, {nullptr, "application/octet-stream"}};
    for (const auto& [name, type] : rows) EXPECT_STREQ(GetMimeType(name), type) << (name ? name : "null");
}

TEST(HttpRules, MultipartLayout) {
    MemoryFiles files;
    files.files["C:\\f.txt"] = "0123456789";
    files.files["big.bin"] = std::string(kFilePartDataLimit + 5000, 'Z');
    const std::string d = "----MULTI-PARTS-FORM-DATA-BOUNDARY";
    const std::string fileHead = d + "\r\nContent-Disposition: form-data; name=\"log\"; filename=\"";
    const std::tuple<std::vector<PostArgument>, std::string, uint32_t> rows[] = {  // arguments, body, file bytes
        {{Arg("user", "alice"), Arg("log", "C:\\f.txt", true, 4)},
         d + "\r\nContent-Disposition: form-data; name=\"user\"\r\n\r\nalice\r\n" + fileHead +
             "C:\\f.txt\"\r\nContent-Type: text/html\r\n\r\n456789\r\n" + d + "--\r\n",
         6},
        // An offset at or past the end sends the whole file; a missing file
        // keeps its part, without data.
        {{Arg("log", "C:\\f.txt", true, 10)}, fileHead + "C:\\f.txt\"\r\nContent-Type: text/html\r\n\r\n0123456789\r\n" + d + "--\r\n", 10},
        {{Arg("log", "x.bin", true)}, fileHead + "x.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n" + d + "--\r\n", 0},
        {{}, "", 0},
    };
    for (const auto& [arguments, bytes, totalFileBytes] : rows) {
        const auto body = BuildMultipartBody(arguments, kMultipartBoundary, files);
        EXPECT_EQ(body.bytes, bytes);
        EXPECT_EQ(body.totalFileBytes, totalFileBytes);
    }
    const auto big = BuildMultipartBody({Arg("f", "big.bin", true)}, kMultipartBoundary, files);
    EXPECT_EQ(static_cast<size_t>(std::count(big.bytes.begin(), big.bytes.end(), 'Z')), kFilePartDataLimit);
    EXPECT_EQ(big.totalFileBytes, kFilePartDataLimit + 5000);
}
