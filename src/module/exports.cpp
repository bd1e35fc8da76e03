// The key-module entry points the logon host calls (names come from
// velmo_otp.def, undecorated). Each export checks its arguments, runs one flow
// and turns the result into the host's integer; nothing throws out of here.
#include <windows.h>

#include <cstdint>

#include "common/module_state.h"
#include "module/data_values.h"
#include "module/guard.h"
#include "module/key_data.h"
#include "module/lifecycle.h"
#include "module/logon_verification.h"
#include "module/velmo_exports.h"
#include "ui/settings_dialog.h"

namespace {

constexpr size_t kModuleInfoBlockSize = 1008;
constexpr size_t kReaderNameBufferSize = 150;

// Zero-filled and never written: the host reads whatever it wants from it.
alignas(16) unsigned char g_moduleInfoBlock[kModuleInfoBlockSize];
char g_readerNameBuffer[kReaderNameBufferSize];

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason <= DLL_THREAD_DETACH) velmo::Module().moduleInstance = instance;
    return TRUE;
}

void* WINAPI InitLibrary() {
    velmo::Guarded("InitLibrary", 0, [] {
        velmo::InitializeModule();
        return 0;
    });
    return g_moduleInfoBlock;
}

void WINAPI CloseLibrary() {
    velmo::Guarded("CloseLibrary", 0, [] {
        velmo::CloseModule();
        return 0;
    });
}

// One reader, always present, with an empty name.
char* WINAPI IsAnyReaderConnected() {
    SecureZeroMemory(g_readerNameBuffer, sizeof g_readerNameBuffer);
    return g_readerNameBuffer;
}

int WINAPI IsReaderInserted() { return 1; }

// Also exported as ChangePIN: there is no hardware serial number and no PIN
// to change.
int WINAPI GetReaderSerialNumber() { return 0; }

// The code typed at logon in place of a PIN: 1 accepted, 0 rejected.
int WINAPI VerifyPIN(const char* userName, char* codeText) {
    return velmo::Guarded("VerifyPIN", 0, [&] { return velmo::VerifyLogonCode(userName, codeText); });
}

int WINAPI ReadData(const char* userName, uint32_t blockNumber, uint8_t* data, uint32_t* length) {
    return velmo::Guarded("ReadData", 0, [&] { return velmo::ReadKeyData(userName, blockNumber, data, length); });
}

int WINAPI WriteData(const char* userName, uint32_t blockNumber, const uint8_t* data, const uint32_t* length) {
    return velmo::Guarded("WriteData", 0,
                          [&] { return velmo::WriteDataBlock(userName, blockNumber, data, length); });
}

int WINAPI DeleteData(const char* userName, uint32_t blockNumber) {
    return velmo::Guarded("DeleteData", 0, [&] { return velmo::DeleteDataBlock(userName, blockNumber); });
}

// The administrator's settings dialog, owned by the host's window.
INT_PTR WINAPI DisplaySettingsDialog(void* /*ignored*/, HWND parent) {
    return velmo::Guarded("DisplaySettingsDialog", INT_PTR{0}, [&] { return velmo::DisplaySettings(parent); });
}

}  // extern "C"
