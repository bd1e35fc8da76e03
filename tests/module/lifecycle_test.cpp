// Module lifecycle through the real DLL: reference counting, the one-time
// setup, the trace file it opens and the delivery settings it seeds.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/module_trace.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        trace = std::make_unique<ModuleTrace>();
    }
    void TearDown() override {
        trace.reset();
        ResetVelmoRegistry();
    }
    std::vector<std::string> Messages() const { return trace->Messages(); }
    size_t Count(const std::string& message) const { return trace->Count(message); }
    std::string Module(const char* name) const {
        auto raw = GetRaw(kOtpModule, name);
        return raw ? raw->Text() : "<missing>";
    }

    std::unique_ptr<ModuleTrace> trace;
};

}  // namespace

TEST_F(Lifecycle, ReaderExportsAnswerFixedValuesInEveryState) {
    VelmoDll dll;
    ASSERT_TRUE(dll.Loaded());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(dll.Get<VelmoDll::IntFn>("IsReaderInserted")(), 1);
        EXPECT_EQ(dll.Get<VelmoDll::IntFn>("GetReaderSerialNumber")(), 0);
        EXPECT_EQ(dll.Get<VelmoDll::IntFn>("ChangePIN")(), 0);
        char* reader = dll.Get<VelmoDll::ReaderNameFn>("IsAnyReaderConnected")();
        ASSERT_NE(reader, nullptr);
        for (int i = 0; i < 150; ++i) EXPECT_EQ(reader[i], 0);
        reader[3] = 'x';  // a host scribbling on it gets a clean buffer next time
        EXPECT_EQ(dll.Get<VelmoDll::ReaderNameFn>("IsAnyReaderConnected")()[3], 0);
        dll.InitLibrary();
    }
    dll.CloseLibrary();
}

TEST_F(Lifecycle, InitLibraryOpensTheTraceFileAndCreatesTheModuleKey) {
    VelmoDll dll;
    const auto* block = static_cast<const unsigned char*>(dll.InitLibrary());
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 1008; ++i) ASSERT_EQ(block[i], 0) << i;

    const auto messages = Messages();
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages[0], "\n\n");
    EXPECT_EQ(messages[1], std::string(50, '=') + " ");
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:0, admode:0"), 1u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule));
    dll.CloseLibrary();
    EXPECT_EQ(Count("CloseLibrary() refs: 0"), 1u);
}

TEST_F(Lifecycle, TheSetupRunsAgainOnlyAfterTheCountReturnsToZero) {
    VelmoDll dll;
    dll.InitLibrary();
    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_EQ(Count("CloseLibrary() refs: 1"), 1u);
    dll.InitLibrary();  // still initialised: no new setup line
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:0, admode:0"), 1u);
    dll.CloseLibrary();
    dll.CloseLibrary();
    EXPECT_EQ(Count("CloseLibrary() refs: 0"), 1u);
    dll.InitLibrary();  // the header and the setup line again
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:0, admode:0"), 2u);
    EXPECT_EQ(Count(std::string(50, '=') + " "), 2u);

    // An unmatched CloseLibrary wraps the unsigned count; the next
    // InitLibrary brings it back to 0 and, still initialised, sets up nothing.
    dll.CloseLibrary();
    dll.CloseLibrary();
    EXPECT_EQ(Count("CloseLibrary() refs: -1"), 1u);
    dll.InitLibrary();
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:0, admode:0"), 2u);
    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_EQ(Count("CloseLibrary() refs: 0"), 3u);
}

TEST_F(Lifecycle, DeliverySettingsAreSeededOnEveryInit) {
    VelmoDll dll;
    dll.InitLibrary();
    EXPECT_EQ(Module("SMS-Gate"), "OtpDeliveryScript.ps1");
    EXPECT_EQ(Module("SMS-Gate-Success-Value"), " OK ");

    PutText(kOtpModule, "SMS-Gate", "x");
    PutText(kOtpModule, "SMS-Gate-Success-Value", "queued");
    dll.InitLibrary();
    EXPECT_EQ(Module("SMS-Gate"), "OtpDeliveryScript.ps1");
    EXPECT_EQ(Module("SMS-Gate-Success-Value"), "queued");

    PutText(kOtpModule, "SMS-Gate", "ab");
    PutText(kOtpModule, "SMS-Gate-Success-Value", "");
    dll.InitLibrary();
    EXPECT_EQ(Module("SMS-Gate"), "ab");
    EXPECT_EQ(Module("SMS-Gate-Success-Value"), " OK ");

    // A value of the wrong type reads as unusable and is seeded as well.
    const uint32_t number = 5;
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "SMS-Gate", REG_DWORD, &number, sizeof number);
    dll.InitLibrary();
    EXPECT_EQ(Module("SMS-Gate"), "OtpDeliveryScript.ps1");
    for (int i = 0; i < 3; ++i) dll.CloseLibrary();
}

TEST_F(Lifecycle, OtpModeAdForcesAWorkstationRoleAndAdModeIsTraced) {
    PutDword(kVelmo, "OtpModeAD", 1);
    VelmoDll dll;
    dll.InitLibrary();
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:1, admode:0"), 1u);
    dll.CloseLibrary();
}

TEST_F(Lifecycle, WithoutAProductFolderTheTraceFileIsRelative) {
    ResetVelmoRegistry();  // no "VelmoPath"
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(trace->Folder().c_str());
    {
        VelmoDll dll;
        dll.InitLibrary();
        dll.CloseLibrary();
    }
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(Count("InitLibrary() 0, refs:1 role:0, admode:0"), 1u);
}

TEST_F(Lifecycle, DisableLogRemovesTheTraceFile) {
    WriteWholeFile(trace->Path(), "old\r\n");
    PutDword(kVelmo, "DisableLog", 1);
    VelmoDll dll;
    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_FALSE(FileExists(trace->Path()));
}

TEST_F(Lifecycle, AnOverLongProductFolderIsCut) {
    // "VelmoPath" is read into 100 bytes: at most 96 characters are used.
    const std::string longFolder = trace->Folder() + std::string(200, 'p') + "\\";
    PutText(kVelmo, "VelmoPath", longFolder);
    VelmoDll dll;
    dll.InitLibrary();  // the name is cut; the file simply cannot be created
    EXPECT_EQ(dll.Get<VelmoDll::IntFn>("IsReaderInserted")(), 1);
    dll.CloseLibrary();
}
