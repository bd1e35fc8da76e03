// Clearing memory that held a secret (keys, key states, passwords,
// credentials) so that the compiler cannot drop it: a memset just before the
// memory goes out of use is a dead store, and optimised builds remove it.
// Pure code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmo {

// Zeroes `size` bytes through volatile stores, defined out of line.
void SecureWipe(void* data, size_t size);

inline void SecureWipe(std::string& text) { SecureWipe(text.data(), text.size()); }

template <typename T>
void SecureWipe(std::vector<T>& items) {
    SecureWipe(items.data(), items.size() * sizeof(T));
}

// Wipes a buffer on every path out of the scope that declares it.
class WipeOnExit {
public:
    WipeOnExit(void* data, size_t size) : data_(data), size_(size) {}
    explicit WipeOnExit(std::string& text) : WipeOnExit(text.data(), text.size()) {}
    template <typename T>
    explicit WipeOnExit(std::vector<T>& items) : WipeOnExit(items.data(), items.size() * sizeof(T)) {}
    ~WipeOnExit() { SecureWipe(data_, size_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    void* data_;
    size_t size_;
};

}  // namespace velmo
