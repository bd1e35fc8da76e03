// MultiSzStr_to_List on arbitrary buffers: a list only when every text, the
// final empty one included, ends inside the given length; never a read past it.
#include <cstdint>
#include <cstring>
#include <vector>

#include "directory/record_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the given units on the heap, so a read past them is caught.
    std::vector<char16_t> units(size / 2);
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    const auto texts = velmo::MultiSzStr_to_List(units.data(), units.size());
    if (!texts) return 0;
    size_t used = 1;  // the final empty text
    for (const auto& text : *texts) {
        if (text.empty() || text.find(u'\0') != std::u16string::npos) __builtin_trap();
        used += text.size() + 1;
    }
    if (used > units.size() || units[used - 1] != u'\0') __builtin_trap();
    return 0;
}
