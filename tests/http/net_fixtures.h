// Ports of the network fixtures (tinyproxy, TLS servers) that CTest starts
// before the tests needing them; see tools/net_fixtures.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace velmo::test {

// Full path of a file in the fixture folder.
inline std::string FixtureFile(const std::string& name) {
    const char* dir = std::getenv("VELMO_FIXTURE_DIR");
    return std::string(dir ? dir : ".") + "/" + name;
}

// The port on the line "<name> <port>" (or the file's only number when
// `name` is empty); 0 when missing.
inline uint16_t FixturePort(const std::string& file, const std::string& name = "") {
    std::ifstream in(FixtureFile(file));
    std::string key;
    unsigned port = 0;
    if (name.empty()) {
        in >> port;
        return static_cast<uint16_t>(port);
    }
    while (in >> key >> port)
        if (key == name) return static_cast<uint16_t>(port);
    return 0;
}

}  // namespace velmo::test
