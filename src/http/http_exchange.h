// The network part of one request -- sending it and reading the answer --
// within a deadline.
//
// WinINet's send and receive time-outs bound each operation, not the whole
// exchange: a server that sends a byte now and then meets every one of them
// and holds a blocked call as long as it likes, and closing the handle from
// another thread does not end a blocked call in every WinINet (Wine's goes
// on). So the exchange runs on a thread of its own and the caller stops
// waiting at the deadline. An exchange cut off that way finishes on its
// own: its thread owns the handles and buffers it uses, reads no further
// than what has arrived, and closes everything when WinINet returns.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include "http/wininet_handle.h"

namespace velmo {

// The send call(s) of one request kind: 0 or the platform error code. Before
// each WinINet call it names that call's error text format in `call`.
using SendCall = std::function<DWORD(HINTERNET request, std::atomic<const char*>& call)>;

// The platform error code of each step (0: fine); the step that was running
// when the deadline passed has ERROR_INTERNET_TIMEOUT, and the answer is
// then left out (null buffers).
struct ExchangeResult {
    const char* sendCall = nullptr;  // error text format of the send call that failed or was running
    DWORD sendError = 0, readError = 0, headerError = 0;
    std::unique_ptr<char[]> body, headers;
    size_t bodyLength = 0;
};

// Sends with `send`, reads at most kResponseBodyCap body bytes and the raw
// response headers, and closes the three handles; the caller waits at most
// `deadlineMs` for all of it.
ExchangeResult RunExchange(UniqueHinternet internet, UniqueHinternet connection, UniqueHinternet request,
                           SendCall send, DWORD deadlineMs);

}  // namespace velmo
