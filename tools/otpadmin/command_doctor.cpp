// otpadmin doctor [--json] [--selftest] [--url URL]: checks this machine the
// way the module will meet it and says what to fix; the exit code is the
// number of FAILs. It reads only, except for the self-test's temporary user.
#include <cstdio>

#include "commands.h"
#include "doctor_checks.h"

namespace otpadmin {

int CommandDoctor(const Args& args) {
    using namespace doctor;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool known = args[i] == "--json" || args[i] == "--selftest" || (args[i] == "--url" && ++i < args.size());
        if (!known) return UsageError("doctor takes --json, --selftest and --url URL");
    }
    const char* url = Option(args, "--url");
    Context c;
    CheckProductFolder(c);
    CheckAccess(c);
    CheckRecords(c);
    {
        const ModuleHost module;
        CheckModule(c, module);
        CheckDelivery(c);
        CheckClock(c, url ? url : "");
        CheckDirectory(c);
        if (Flag(args, "--selftest")) RunSelfTest(c, module);
    }
    const std::string report = Flag(args, "--json") ? JsonReport(c.findings) : TextReport(c.findings);
    std::fputs(report.c_str(), stdout);
    return Count(c.findings, Verdict::Fail);
}

}  // namespace otpadmin
