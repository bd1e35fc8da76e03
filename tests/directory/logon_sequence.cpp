// A host that calls velmo_otp.dll in one process for several users, as the
// logon screen does for whoever comes to it: "kind USER" (ReadData 10) and
// "verify USER CODE" (VerifyPIN), in the order given; one line per call.
#include <cstdio>
#include <string>

#include "support/velmo_dll.h"

int main(int argc, char** argv) {
    const velmo::test::VelmoDll dll;
    if (!dll.Loaded()) return 2;
    dll.InitLibrary();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string call = argv[i];
        if (call == "kind") {
            std::printf("kind %s: %d\n", argv[i + 1], dll.Read(argv[i + 1], 10).result);
        } else if (call == "verify" && i + 2 < argc) {
            std::printf("verify %s: %d\n", argv[i + 1], dll.VerifyPIN(argv[i + 1], argv[i + 2]));
            ++i;
        }
    }
    dll.CloseLibrary();
    return 0;
}
