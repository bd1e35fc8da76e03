// VerifyPIN through the real DLL under Wine: an accepted code, a rejected
// code (the full window and skew search), each with the trace log on and
// off, and "AnyUser" over 1,000 records. Prints figures; judges nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "module/velmo_exports.h"
#include "otp/otp_code.h"
#include "settings/registry.h"

namespace {

using namespace velmo::exports;

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr char kModuleKey[] = "Software\\Velmo\\OtpModule";

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void DeleteValue(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kModuleKey, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

void DeleteVelmoKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, "Velmo");
        RegCloseKey(key);
    }
}

std::string CodeText(uint32_t counter) {
    char text[8];
    std::snprintf(text, sizeof text, "%06d", velmo::ComputeCode(kSecret, counter));
    return text;
}

struct Figures {
    double median, mean;
};

// Times `call` `runs` times; `prepare` runs before each call, untimed.
Figures Measure(int runs, const std::function<void(int)>& prepare, const std::function<void(int)>& call) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare(i);
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        call(i);
        QueryPerformanceCounter(&b);
        times.push_back(Microseconds(a, b));
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    return {times[times.size() / 2], sum / static_cast<double>(times.size())};
}

void Print(const char* what, int runs, Figures f) {
    std::printf("%-52s %6d runs  median %10.1f us  mean %10.1f us\n", what, runs, f.median, f.mean);
}

}  // namespace

int main() {
    HMODULE dll = LoadLibraryA("velmo_otp.dll");
    if (!dll) {
        std::fprintf(stderr, "cannot load velmo_otp.dll\n");
        return 1;
    }
    auto init = reinterpret_cast<InitLibraryFn>(reinterpret_cast<void*>(GetProcAddress(dll, "InitLibrary")));
    auto close = reinterpret_cast<CloseLibraryFn>(reinterpret_cast<void*>(GetProcAddress(dll, "CloseLibrary")));
    auto verify = reinterpret_cast<VerifyPinFn>(reinterpret_cast<void*>(GetProcAddress(dll, "VerifyPIN")));
    auto verifyText = [&](const char* user, std::string code) {
        code.resize(code.size() + 16, '\0');
        return verify(user, code.data());
    };

    DeleteVelmoKey();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    velmo::WriteRegString(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "VelmoPath", temp);
    init();
    velmo::WriteRegString(velmo::RegRoot::LocalMachine, kModuleKey, "alice_key", kSecret);
    std::printf("VerifyPIN through velmo_otp.dll under Wine (trace file in %s)\n", temp);

    for (const bool logging : {true, false}) {
        velmo::WriteRegDword(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "DisableLog", logging ? 0 : 1);
        const char* label = logging ? "log on " : "log off";
        int accepted = 0;
        const int runs = 200;
        // Each run a fresh record state: the current code is accepted in the
        // window, then its history and skew are removed again (untimed).
        const Figures ok = Measure(
            runs,
            [&](int) {
                DeleteValue("alice_history");
                DeleteValue("alice_skew");
            },
            [&](int) { accepted += verifyText("alice", CodeText(static_cast<uint32_t>(velmo::UnixNow() / 30))); });
        Print((std::string("accepted code, ") + label).c_str(), runs, ok);
        // A wrong code: window, then the wide skew search, nothing found.
        int rejected = 0;
        const Figures bad = Measure(runs, [](int) {}, [&](int) { rejected += !verifyText("alice", "999999"); });
        Print((std::string("rejected code (full search), ") + label).c_str(), runs, bad);
        if (accepted != runs || rejected != runs) std::printf("  (unexpected answers: %d accepted, %d rejected)\n", accepted, rejected);
    }

    // "AnyUser" with a code that matches none of 1,000 records.
    velmo::WriteRegDword(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "DisableLog", 1);
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "user" + std::to_string(i) + "_key";
        velmo::WriteRegString(velmo::RegRoot::LocalMachine, kModuleKey, name.c_str(), kSecret);
    }
    const Figures any = Measure(3, [](int) {}, [&](int) { verifyText("AnyUser", "999999"); });
    Print("AnyUser, 1,001 records, no match, log off", 3, any);
    velmo::WriteRegDword(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "DisableLog", 0);
    const Figures anyLogged = Measure(3, [](int) {}, [&](int) { verifyText("AnyUser", "999999"); });
    Print("AnyUser, 1,001 records, no match, log on", 3, anyLogged);

    close();
    FreeLibrary(dll);
    DeleteVelmoKey();
    return 0;
}
