// The trace file the DLL writes for the test process: the product folder is
// pointed at a scratch directory, and lines are read back without stamps.
#pragma once

#include <string>
#include <vector>

namespace velmo::test {

class ModuleTrace {
public:
    // Sets "VelmoPath" to a fresh folder and removes an old trace file there.
    ModuleTrace();
    ~ModuleTrace();
    std::vector<std::string> Messages() const;
    bool Contains(const std::string& message) const;
    size_t Count(const std::string& message) const;
    std::vector<std::string> StartingWith(const std::string& prefix) const;
    const std::string& Folder() const { return folder_; }
    const std::string& Path() const { return path_; }

private:
    std::string folder_, path_;
};

}  // namespace velmo::test
