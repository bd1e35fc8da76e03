// Export and import of the OTP users as a registry file, with the system's
// registry tool.
#pragma once

#include <string>

namespace velmo {

// "<desktop>\VelmoOtpUsers.reg".
std::string UsersExportPath();

// Runs "reg.exe EXPORT ..." / "reg.exe IMPORT ..." hidden and waits a bounded
// time for it, so that what follows sees the result.
void ExportUsers(const std::string& path);
void ImportUsers(const std::string& path);

// Opens an Explorer window on the file's folder with the file selected.
void ShowInExplorer(const std::string& path);

}  // namespace velmo
