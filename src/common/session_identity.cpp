#include "common/session_identity.h"

#include <windows.h>
#include <wtsapi32.h>

#include <memory>

#include "common/text.h"
#include "common/trace.h"

namespace velmo {

namespace {

constexpr DWORD kUnknownSession = 0xFFFFFF;

struct WtsFree {
    void operator()(char* p) const { WTSFreeMemory(p); }
};

// One text of the session's information, copied into `out`; false when the
// query fails.
bool QuerySession(DWORD session, WTS_INFO_CLASS what, char* out, uint32_t size) {
    LPSTR raw = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, session, what, &raw, &bytes)) return false;
    std::unique_ptr<char, WtsFree> text(raw);
    CopyText(out, size, std::string_view(raw ? raw : "", raw ? BoundedLength(raw, bytes) : 0));
    return true;
}

void ComputerName(char* out, uint32_t size) {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = sizeof name;
    if (!GetComputerNameA(name, &length)) name[0] = '\0';
    CopyText(out, size, name);
}

}  // namespace

void GetSessionUserName(char* user, char* domain, uint32_t size) {
    if (!user || size == 0) return;
    user[0] = '\0';
    if (domain) domain[0] = '\0';

    DWORD session = kUnknownSession;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) session = kUnknownSession;
    QuerySession(session, WTSUserName, user, size);
    if (domain && !QuerySession(session, WTSDomainName, domain, size)) ComputerName(domain, size);

    if (user[0] == '\0' && !IsVistaOrLater()) {
        char account[257] = {};
        DWORD length = sizeof account;
        if (GetUserNameA(account, &length)) CopyText(user, size, account);
        if (domain) ComputerName(domain, size);
    }
    if (domain)
        TraceLog("Session user name: %s [%s] (session %d)", user, domain, static_cast<int>(session));
    else
        TraceLog("Session user name: %s  (session %d)", user, static_cast<int>(session));
}

bool IsVistaOrLater() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6;
}

}  // namespace velmo
