// The checks of otpadmin doctor. Each reads what the module would read,
// through the module's own code where there is some, and adds its findings;
// none writes a setting or a record, sends a code or prints a secret.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "doctor_report.h"
#include "module_host.h"

namespace otpadmin::doctor {

struct Context {
    Findings findings;
    std::string productFolder;  // "VelmoPath" as the module reads it
    bool domainMode = false;    // "VelmoADmode" = 1
    int32_t role = 0;           // the machine role, as the module computes it
    bool workstation = true;    // role below 3: the domain's OTP service decides logons
    bool totpUsers = false;     // records that need a right clock
    bool smsUsers = false;      // records that receive their codes
    int32_t shortestStep = 30;  // seconds, of the time-based records
    std::vector<std::pair<std::string, std::string>> serverDates;  // origin and Date header of each server asked
    void Add(Finding f) { findings.push_back(std::move(f)); }
};

// In the order they run: the access checks come before the module is
// loaded, because InitLibrary tightens the record key and its own trace file.
void CheckProductFolder(Context& c);
void CheckAccess(Context& c);
void CheckRecords(Context& c);
void CheckModule(Context& c, const ModuleHost& module);
void CheckDelivery(Context& c);
// Against `url`'s origin when given, else the configured services'.
void CheckClock(Context& c, const std::string& url);
void CheckDirectory(Context& c);
void RunSelfTest(Context& c, const ModuleHost& module);

}  // namespace otpadmin::doctor
