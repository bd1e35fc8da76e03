#include "directory/guid.h"

#include <windows.h>
#include <objbase.h>

#include <array>
#include <cstring>

#include "common/code_page.h"
#include "directory/directory_texts.h"

namespace velmo {

std::u16string NewGuidText() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) return {};
    std::array<uint8_t, 16> bytes;
    static_assert(sizeof guid == 16);
    std::memcpy(bytes.data(), &guid, bytes.size());
    return FromAnsi(GuidText(bytes));
}

}  // namespace velmo
