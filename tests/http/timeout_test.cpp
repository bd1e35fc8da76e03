// A gateway that accepts the connection but never answers ends the request
// after the session's receive time-out (30 s) with the network error, rather
// than holding the caller for ever.
#include <gtest/gtest.h>

#include <string>

#include "http/generic_http_client.h"
#include "loopback_http_server.h"

using namespace velmo;
using namespace velmo::test;

TEST(HttpTimeouts, ASilentServerEndsTheRequestAfterTheReceiveTimeout) {
    LoopbackHttpServer server;
    server.NeverAnswer();
    GenericHTTPClient client;
    client.SetAgent("Velmo");
    const DWORD start = GetTickCount();
    EXPECT_EQ(client.RequestOfURI(server.Url("/silent").c_str(), HttpGet), 0);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 25000u);
    EXPECT_LT(elapsed, 60000u);  // a bound that catches a hang, not a speed target
    EXPECT_EQ(std::string(client.LastErrorText()).rfind("RequestGet HttpSendRequest ", 0), 0u)
        << client.LastErrorText();
}
