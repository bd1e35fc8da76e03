// URL parsing, POST bodies, content types and the multipart layout: the pure
// parts of the HTTP client.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "http/mime_type.h"
#include "http/multipart_body.h"
#include "http/post_body.h"
#include "http/url_parts.h"
#include "support/trace_capture.h"

using namespace velmo;

namespace {

struct Parsed {
    std::string scheme, host, path, query;
    uint16_t port;
};

Parsed Parse(const std::string& url, const char* queryBefore = "") {
    UrlParts parts;
    char query[kQuerySize];
    std::strcpy(query, queryBefore);
    ParseURL(url, parts, query, sizeof query);
    return {parts.scheme, parts.host, parts.path, query, parts.port};
}

PostArgument Text(const char* name, const char* value) {
    PostArgument a{};
    std::strncpy(a.name, name, sizeof a.name - 1);
    std::strncpy(a.value, value, sizeof a.value - 1);
    a.kind = PostArgumentKind::Text;
    return a;
}

PostArgument File(const char* name, const char* path, uint32_t offset = 0) {
    PostArgument a = Text(name, path);
    a.kind = PostArgumentKind::File;
    a.fileStartOffset = offset;
    return a;
}

// Files held in memory: the multipart layout does not care where bytes live.
class MemoryFiles : public FileSource {
public:
    std::map<std::string, std::string> files;
    std::unique_ptr<OpenFile> Open(const char* path) override {
        auto it = files.find(path);
        if (it == files.end()) return nullptr;
        return std::make_unique<MemoryFile>(it->second);
    }
    uint32_t LastErrorCode() const override { return 0; }

private:
    struct MemoryFile : OpenFile {
        explicit MemoryFile(std::string d) : data(std::move(d)) {}
        uint32_t Size() const override { return static_cast<uint32_t>(data.size()); }
        bool Seek(uint32_t offset) override { return (at = offset) <= data.size(); }
        size_t Read(char* buffer, size_t size) override {
            const size_t n = std::min(size, data.size() - at);
            std::memcpy(buffer, data.data() + at, n);
            at += n;
            return n;
        }
        std::string data;
        size_t at = 0;
    };
};

}  // namespace

TEST(ParseURL, SchemeHostPortPathAndQuery) {
    auto p = Parse("https://sms.example.net/send?to=1&t=2");
    EXPECT_EQ(p.scheme, "https");
    EXPECT_EQ(p.host, "sms.example.net");
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(p.path, "/send");
    EXPECT_EQ(p.query, "to=1&t=2");

    p = Parse("http://10.1.2.3:8443/a/b");
    EXPECT_EQ(p.port, 8443);
    EXPECT_EQ(p.host, "10.1.2.3");
    EXPECT_EQ(p.path, "/a/b");
    EXPECT_EQ(p.query, "");

    EXPECT_EQ(Parse("HTTPS://h/x").port, 80);  // only "https" exactly means 443
    EXPECT_EQ(Parse("ftp://h/x").port, 80);
}

TEST(ParseURL, LenientForms) {
    // No "://": plain http, host and port from the first character.
    auto p = Parse("gate.local:8080/sms?x=1");
    EXPECT_EQ(p.scheme, "http");
    EXPECT_EQ(p.host, "gate.local");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.path, "/sms");
    EXPECT_EQ(p.query, "x=1");

    // No path: the query is left as it was, even a "?" stays in the host.
    p = Parse("http://h.example", "earlier");
    EXPECT_EQ(p.host, "h.example");
    EXPECT_EQ(p.path, "");
    EXPECT_EQ(p.query, "earlier");
    EXPECT_EQ(Parse("http://h?q=1").host, "h?q=1");

    // Odd ports: digits up to the first non-digit, wrapped to 16 bits.
    EXPECT_EQ(Parse("http://h:99999/").port, 99999 % 65536);
    EXPECT_EQ(Parse("http://h:abc/").port, 0);
    EXPECT_EQ(Parse("http://h:/").port, 0);

    // Degenerate texts stay within their buffers.
    p = Parse("http:/");
    EXPECT_EQ(p.scheme, "http");
    EXPECT_EQ(p.host, "");
    EXPECT_EQ(Parse("").host, "");
    EXPECT_EQ(Parse(":").host, "");
    EXPECT_EQ(Parse(std::string(5000, 'h')).host.size(), kUrlPartSize - 1);
}

TEST(ParseURL, QueryKeepsAtMost290Characters) {
    const std::string query(400, 'q');
    EXPECT_EQ(Parse("http://h/p?" + query).query, std::string(kQueryMaxChars, 'q'));
    EXPECT_EQ(Parse("http://h/p?a?b").query, "a?b");
    EXPECT_EQ(Parse("http://h/p?").query, "");
}

TEST(PostBody, IsCutToItsBufferAndEmptyWithoutArguments) {
    char body[kPostBodySize];
    const std::string big(1000, 'v');
    BuildPostBody({Text("a", big.c_str()), Text("b", big.c_str())}, body, sizeof body);
    EXPECT_EQ(std::strlen(body), kPostBodySize - 1);
    BuildPostBody({}, body, sizeof body);
    EXPECT_STREQ(body, "");
    EXPECT_STREQ(PostContentType(body), kFormContentType);
}

TEST(MimeType, SubstringsDecideAndLaterTestsWin) {
    EXPECT_STREQ(GetMimeType("report.htm"), "text/html");
    EXPECT_STREQ(GetMimeType("NOTES.TXT"), "text/html");
    EXPECT_STREQ(GetMimeType("song.mp3"), "audio/mpeg");
    EXPECT_STREQ(GetMimeType("photo.jpg"), "image/jpeg");
    EXPECT_STREQ(GetMimeType("photo.JPG"), "application/octet-stream");
    EXPECT_STREQ(GetMimeType("a.txt.jpg"), "image/jpeg");
    EXPECT_STREQ(GetMimeType("a.jpg.txt"), "image/jpeg");  // ".jpg" is tested last
    EXPECT_STREQ(GetMimeType(""), "application/octet-stream");
    EXPECT_STREQ(GetMimeType(nullptr), "application/octet-stream");
}

TEST(MultipartBody, LaysOutTextAndFilePartsBetweenFourHyphenDelimiters) {
    velmo::test::TraceCapture trace;
    MemoryFiles files;
    files.files["C:\\f.txt"] = "0123456789";
    const auto body = BuildMultipartBody({Text("user", "alice"), File("log", "C:\\f.txt", 4)}, kMultipartBoundary, files);
    EXPECT_EQ(body.bytes,
              "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
              "Content-Disposition: form-data; name=\"user\"\r\n\r\nalice\r\n"
              "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
              "Content-Disposition: form-data; name=\"log\"; filename=\"C:\\f.txt\"\r\n"
              "Content-Type: text/html\r\n\r\n456789\r\n"
              "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n");
    EXPECT_EQ(body.totalFileBytes, 6u);
    EXPECT_TRUE(trace.Contains("file chunk 6, for sent 2662400. dwTotalBytes 6 (text/html) 0"));

    // An offset at or past the end sends the whole file.
    EXPECT_NE(BuildMultipartBody({File("log", "C:\\f.txt", 10)}, kMultipartBoundary, files).bytes.find("0123456789\r\n"),
              std::string::npos);
}

TEST(MultipartBody, UnreadableFilesAndEmptyLists) {
    velmo::test::TraceCapture trace;
    MemoryFiles files;
    const auto body = BuildMultipartBody({File("f", "missing.bin")}, kMultipartBoundary, files);
    EXPECT_NE(body.bytes.find("filename=\"missing.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n"),
              std::string::npos);
    EXPECT_TRUE(trace.Contains("file len 512000"));
    EXPECT_TRUE(BuildMultipartBody({}, kMultipartBoundary, files).bytes.empty());
}

TEST(MultipartBody, AFilePartCarriesAtMost2662400Bytes) {
    MemoryFiles files;
    files.files["big.bin"] = std::string(kFilePartDataLimit + 5000, 'Z');
    const auto body = BuildMultipartBody({File("f", "big.bin")}, kMultipartBoundary, files);
    EXPECT_EQ(static_cast<size_t>(std::count(body.bytes.begin(), body.bytes.end(), 'Z')), kFilePartDataLimit);
    EXPECT_EQ(body.totalFileBytes, kFilePartDataLimit + 5000);
}
