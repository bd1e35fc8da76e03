#include "http/windows_file_source.h"

#include <windows.h>

#include "common/win_handles.h"

namespace velmo {

namespace {

class WindowsOpenFile : public OpenFile {
public:
    explicit WindowsOpenFile(UniqueFile file) : file_(std::move(file)) {}
    uint32_t Size() const override { return GetFileSize(file_.get(), nullptr); }
    bool Seek(uint32_t offset) override {
        return SetFilePointer(file_.get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    }
    size_t Read(char* buffer, size_t size) override {
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
        return got;
    }

private:
    UniqueFile file_;
};

}  // namespace

std::unique_ptr<OpenFile> WindowsFileSource::Open(const char* path) {
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return nullptr;
    return std::make_unique<WindowsOpenFile>(std::move(file));
}

uint32_t WindowsFileSource::LastErrorCode() const { return GetLastError(); }

}  // namespace velmo
