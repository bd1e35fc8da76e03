#include "http/http_exchange.h"

#include <algorithm>

#include "common/win_handles.h"
#include "http/generic_http_client.h"

namespace velmo {

namespace {

enum class ExchangeStep { Sending, Reading, QueryingHeaders, Done };

// Everything the exchange's thread touches. Shared by the caller and the
// thread; the last one to let go frees it.
struct Exchange {
    UniqueHinternet internet, connection, request;
    SendCall send;
    std::atomic<const char*> call{nullptr};
    std::atomic<ExchangeStep> step{ExchangeStep::Sending};
    std::atomic<bool> abandoned{false};
    ExchangeResult result;
    HMODULE module = nullptr;  // held while the thread runs, so the code stays loaded
};

// Reads only what has arrived, so that a dripping server cannot keep one
// read waiting for a full piece; stops when the caller has given up.
DWORD ReadBody(Exchange& x) {
    ExchangeResult& r = x.result;
    while (r.bodyLength < kResponseBodyCap && !x.abandoned) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(x.request.get(), &available, 0, 0)) return GetLastError();
        const DWORD want = static_cast<DWORD>(std::min<size_t>({available, kResponseReadPiece, kResponseBodyCap - r.bodyLength}));
        DWORD got = 0;
        if (want == 0) break;
        if (!InternetReadFile(x.request.get(), r.body.get() + r.bodyLength, want, &got)) return GetLastError();
        if (got == 0) break;
        r.bodyLength += got;
    }
    return 0;
}

void Run(Exchange& x) {
    ExchangeResult& r = x.result;
    r.sendError = x.send(x.request.get(), x.call);
    r.sendCall = x.call;
    if (r.sendError == 0 && !x.abandoned) {
        x.step = ExchangeStep::Reading;
        r.readError = ReadBody(x);
        x.step = ExchangeStep::QueryingHeaders;
        DWORD size = kResponseHeaderQuerySize;
        if (!x.abandoned && !HttpQueryInfoA(x.request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, r.headers.get(), &size, nullptr))
            r.headerError = GetLastError();
    }
    x.step = ExchangeStep::Done;
    // Request first, session last.
    x.request.reset();
    x.connection.reset();
    x.internet.reset();
}

DWORD WINAPI ExchangeThread(void* parameter) {
    auto* held = static_cast<std::shared_ptr<Exchange>*>(parameter);
    const HMODULE module = (*held)->module;
    Run(**held);
    delete held;
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

ExchangeResult RunExchange(UniqueHinternet internet, UniqueHinternet connection, UniqueHinternet request,
                           SendCall send, DWORD deadlineMs) {
    auto x = std::make_shared<Exchange>();
    x->internet = std::move(internet);
    x->connection = std::move(connection);
    x->request = std::move(request);
    x->send = std::move(send);
    x->result.body.reset(new char[kResponseBufferSize]());
    x->result.headers.reset(new char[kResponseBufferSize]());

    UniqueHandle thread;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ExchangeThread),
                           &x->module)) {
        auto* held = new std::shared_ptr<Exchange>(x);
        thread.reset(CreateThread(nullptr, 0, ExchangeThread, held, 0, nullptr));
        if (!thread) {
            delete held;
            FreeLibrary(x->module);
        }
    }
    // Without a thread of its own the exchange runs here, bounded by
    // WinINet's time-outs alone.
    if (!thread) {
        Run(*x);
        return std::move(x->result);
    }
    // An exchange that ended just as the deadline passed keeps its result: the
    // thread no longer writes it once the step is Done.
    if (WaitForSingleObject(thread.get(), deadlineMs) == WAIT_OBJECT_0 || x->step == ExchangeStep::Done)
        return std::move(x->result);

    x->abandoned = true;
    ExchangeResult cut;
    cut.sendCall = x->call;
    const ExchangeStep step = x->step;
    if (step == ExchangeStep::Sending)
        cut.sendError = ERROR_INTERNET_TIMEOUT;
    else if (step == ExchangeStep::Reading)
        cut.readError = ERROR_INTERNET_TIMEOUT;
    else
        cut.headerError = ERROR_INTERNET_TIMEOUT;
    return cut;
}

}  // namespace velmo
