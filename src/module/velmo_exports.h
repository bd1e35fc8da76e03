// The module's exports as a host sees them: names (undecorated, from
// velmo_otp.def) and signatures. Hosts that load the DLL with LoadLibrary use
// the pointer types; the DLL's own definitions are checked against the
// declarations.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {

void* WINAPI InitLibrary();
void WINAPI CloseLibrary();
char* WINAPI IsAnyReaderConnected();
int WINAPI IsReaderInserted();
int WINAPI GetReaderSerialNumber();  // also exported as ChangePIN
int WINAPI VerifyPIN(const char* userName, char* codeText);
int WINAPI ReadData(const char* userName, uint32_t blockNumber, uint8_t* data, uint32_t* length);
int WINAPI WriteData(const char* userName, uint32_t blockNumber, const uint8_t* data, const uint32_t* length);
int WINAPI DeleteData(const char* userName, uint32_t blockNumber);
INT_PTR WINAPI DisplaySettingsDialog(void* ignored, HWND parent);

}  // extern "C"

namespace velmo::exports {

using InitLibraryFn = decltype(&InitLibrary);
using CloseLibraryFn = decltype(&CloseLibrary);
using ReaderNameFn = decltype(&IsAnyReaderConnected);
using IntFn = decltype(&IsReaderInserted);
using VerifyPinFn = decltype(&VerifyPIN);
using ReadDataFn = decltype(&ReadData);
using WriteDataFn = decltype(&WriteData);
using DeleteDataFn = decltype(&DeleteData);
using DisplaySettingsDialogFn = decltype(&DisplaySettingsDialog);

// The room a host gives ReadData's OTP functions.
constexpr uint32_t kReadDataRoom = 990;

}  // namespace velmo::exports
