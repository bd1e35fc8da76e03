// A host whose executable path has no backslash: the trace file is named
// "otp_.log" in the product folder. The test rewrites its own loader record so
// that the module sees such a path.
#include <gtest/gtest.h>
// NtCurrentTeb in the mingw headers trips -Warray-bounds.
#pragma GCC diagnostic ignored "-Warray-bounds"
#include <winternl.h>

#include <cwchar>
#include <string>

#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

wchar_t g_bareName[] = L"barehost.exe";

void HideExecutableFolder() {
    PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
    LIST_ENTRY* first = peb->Ldr->InMemoryOrderModuleList.Flink;
    auto* entry = CONTAINING_RECORD(first, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
    entry->FullDllName.Buffer = g_bareName;
    entry->FullDllName.Length = static_cast<USHORT>(std::wcslen(g_bareName) * sizeof(wchar_t));
    entry->FullDllName.MaximumLength = sizeof g_bareName;
}

}  // namespace

TEST(BareHost, TraceFileNameHasNothingBetweenPrefixAndExtension) {
    ResetVelmoRegistry();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "velmo_bare\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    PutText(kVelmo, "VelmoPath", folder);
    const std::string expected = folder + "otp_.log";
    DeleteFileA(expected.c_str());

    VelmoDll dll;  // loaded before the record is rewritten
    ASSERT_TRUE(dll.Loaded());
    HideExecutableFolder();
    char seen[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, seen, MAX_PATH);
    ASSERT_STREQ(seen, "barehost.exe");

    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_TRUE(FileExists(expected));
    EXPECT_NE(ReadWholeFile(expected).find("InitLibrary() 0, refs:1 role:0, admode:0"), std::string::npos);
    DeleteFileA(expected.c_str());
    ResetVelmoRegistry();
}
