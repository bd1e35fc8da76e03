// The test directory that CTest starts before the tests needing it
// (tools/directory/slapd.sh; tests/directory/CMakeLists.txt passes its
// folder as VELMO_DIRECTORY_DIR and the script as VELMO_SLAPD_SCRIPT).
#pragma once

#include <map>
#include <string>

namespace velmo::test {

// The "key value" lines of <VELMO_DIRECTORY_DIR>/<name>.server: host, port,
// ldaps_port, service, service_password, operator, operator_password,
// user_password, ca. Empty when the instance is not running.
std::map<std::string, std::string> DirectoryInstance(const std::string& name);

// Stops ("suspend") or restarts ("resume") an instance, keeping its address
// and data; true once it is down or up again.
bool ChangeDirectoryInstance(const std::string& name, const std::string& action);

}  // namespace velmo::test
