// VerifyPIN through the real DLL under Wine: a rejected code (the full window
// and skew search) and an accepted one, with the trace log on and off, and
// "AnyUser" over many records. Prints median times; with --requests it makes
// one call of each case between named marker events instead, so that a
// wineserver started with WINEDEBUG=+server shows the requests (round trips)
// each case costs (scripts/bench.sh counts them). Judges nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "module/velmo_exports.h"
#include "otp/otp_code.h"
#include "settings/registry.h"

namespace {

using namespace velmo;
using namespace velmo::exports;

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";

enum class Log { On, OffInLocalMachine, OffInCurrentUser };

void SetLog(Log log) {
    WriteRegDword(RegRoot::LocalMachine, kVelmoKey, "DisableLog", log == Log::OffInLocalMachine ? 1 : 0);
    WriteRegDword(RegRoot::CurrentUser, "Software\\Velmo", "DisableLog", log == Log::OffInCurrentUser ? 1 : 0);
}

void DeleteValue(const std::string& name) { WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), nullptr); }

void DeleteVelmoKeys() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
            RegDeleteTreeA(key, "Velmo");
            RegCloseKey(key);
        }
    }
}

// Records user0 .. user<count - 1>, none of which accepts "999999".
void MakeRecords(int count) {
    for (int i = 0; i < count; ++i)
        WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, ("user" + std::to_string(i) + "_key").c_str(), kSecret);
}

std::string CurrentCode() {
    char text[8];
    std::snprintf(text, sizeof text, "%06d", ComputeCode(kSecret, static_cast<uint32_t>(UnixNow() / 30)));
    return text;
}

struct Case {
    const char* name;
    Log log;
    int records;   // AnyUser: records in the key
    bool accepted;
};

class Bench {
public:
    explicit Bench(HMODULE dll)
        : init_(Entry<InitLibraryFn>(dll, "InitLibrary")),
          close_(Entry<CloseLibraryFn>(dll, "CloseLibrary")),
          verify_(Entry<VerifyPinFn>(dll, "VerifyPIN")) {}

    void Prepare(const Case& c) {
        DeleteVelmoKeys();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        WriteRegString(RegRoot::LocalMachine, kVelmoKey, "VelmoPath", temp);
        SetLog(c.log);
        init_();
        if (c.records) MakeRecords(c.records);
        else WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "alice_key", kSecret);
    }
    void Finish() { close_(); }
    // One call as the case describes it; an accepted code's record state is
    // put back first (untimed by the callers' choice).
    void ResetAccepted() {
        DeleteValue("alice_history");
        DeleteValue("alice_skew");
    }
    int Call(const Case& c) {
        std::string code = c.accepted ? CurrentCode() : "999999";
        code.resize(code.size() + 16, '\0');
        return verify_(c.records ? "AnyUser" : "alice", code.data());
    }

private:
    template <typename Fn>
    static Fn Entry(HMODULE dll, const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    }
    InitLibraryFn init_;
    CloseLibraryFn close_;
    VerifyPinFn verify_;
};

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const Case kCases[] = {
    {"rejected code, log on", Log::On, 0, false},
    {"rejected code, log off in HKLM", Log::OffInLocalMachine, 0, false},
    {"accepted code, log on", Log::On, 0, true},
    {"AnyUser, 10 records, no match, log off in HKCU", Log::OffInCurrentUser, 10, false},
    {"AnyUser, 20 records, no match, log off in HKCU", Log::OffInCurrentUser, 20, false},
    {"AnyUser, 10 records, no match, log off in HKLM", Log::OffInLocalMachine, 10, false},
    {"AnyUser, 20 records, no match, log off in HKLM", Log::OffInLocalMachine, 20, false},
    {"AnyUser, 10 records, no match, log on", Log::On, 10, false},
    {"AnyUser, 20 records, no match, log on", Log::On, 20, false},
    {"AnyUser, 1000 records, no match, log off in HKLM", Log::OffInLocalMachine, 1000, false},
};

}  // namespace

int main(int argc, char** argv) {
    const bool requests = argc > 1 && std::strcmp(argv[1], "--requests") == 0;
    HMODULE dll = LoadLibraryA("velmo_otp.dll");
    if (!dll) {
        std::fprintf(stderr, "cannot load velmo_otp.dll\n");
        return 1;
    }
    Bench bench(dll);
    if (requests) std::printf("thread %04lx\n", GetCurrentThreadId());
    for (const Case& c : kCases) {
        bench.Prepare(c);
        if (requests) {
            if (c.records == 1000) continue;
            bench.Call(c);  // a first call opens the trace file and warms up
            if (c.accepted) bench.ResetAccepted();
            // The events' names show in the server's trace around the call.
            const HANDLE begin = CreateEventA(nullptr, FALSE, FALSE, (std::string("velmo-begin ") + c.name).c_str());
            bench.Call(c);
            const HANDLE end = CreateEventA(nullptr, FALSE, FALSE, (std::string("velmo-end ") + c.name).c_str());
            CloseHandle(begin);
            CloseHandle(end);
        } else {
            const int runs = c.records >= 1000 ? 3 : c.records ? 20 : 200;
            std::vector<double> times;
            int expected = 0;
            for (int i = 0; i < runs; ++i) {
                if (c.accepted) bench.ResetAccepted();
                LARGE_INTEGER a, b;
                QueryPerformanceCounter(&a);
                expected += bench.Call(c) == (c.accepted ? 1 : 0);
                QueryPerformanceCounter(&b);
                times.push_back(Microseconds(a, b));
            }
            std::printf("%-50s %4d runs  median %10.1f us%s\n", c.name, runs, Median(times),
                        expected == runs ? "" : "  (unexpected answers)");
        }
        bench.Finish();
    }
    DeleteVelmoKeys();
    FreeLibrary(dll);
    return 0;
}
