// otpadmin's ReadData and WriteData commands, as the host's user interface
// uses them: the OTP kind (10), setting commands (11), the hexadecimal secret
// (6), and stored data blocks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "commands.h"
#include "module/key_data.h"
#include "module_host.h"

namespace otpadmin {

namespace {

constexpr uint32_t kBlockRoom = 4096;

bool ParseBlock(const std::string& text, uint32_t& block) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end || value > 0xFFFFFFFFull) return false;
    block = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int CommandKind(const Args& args) {
    if (args.empty()) return UsageError("kind needs a user name");
    ModuleHost module;
    if (!module.Ready()) return 1;
    std::vector<uint8_t> data(kReadDataRoom, 0);
    uint32_t length = kReadDataRoom;
    const int result = module.Get<ReadDataFn>("ReadData")(args[0].c_str(), velmo::kOtpKindBlock, data.data(), &length);
    const std::string text(reinterpret_cast<const char*>(data.data()));
    if (result == 1 && text.empty())
        std::printf("%s: no OTP configured\n", args[0].c_str());
    else if (text.rfind("sms-otp,", 0) == 0)
        std::printf("%s: codes by SMS or e-mail to %s (ReadData answered %d)\n", args[0].c_str(), text.c_str() + 8, result);
    else
        std::printf("%s: %s (ReadData answered %d)\n", args[0].c_str(), text.c_str(), result);
    return 0;
}

int CommandSet(const Args& args) {
    if (args.size() < 2) return UsageError("set needs a user name and a command (totp, hotp, sms-otp,DEST, token-otp,SECRET[,STEP])");
    ModuleHost module;
    if (!module.Ready()) return 1;
    const std::string& command = args[1];
    const int result = module.ApplySetting(args[0], command);
    std::printf("%s: \"%s\" %s\n", args[0].c_str(), command.c_str(), result == 1 ? "applied" : "refused");
    return result == 1 ? 0 : 1;
}

int CommandSecret(const Args& args) {
    if (args.empty()) return UsageError("secret needs a user name");
    ModuleHost module;
    if (!module.Ready()) return 1;
    std::string hex;
    if (!module.ReadData(args[0], velmo::kHexSecretBlock, hex)) return 1;
    std::printf("%s\n", hex.c_str());
    return 0;
}

int CommandRead(const Args& args) {
    uint32_t block = 0;
    if (args.size() < 2 || !ParseBlock(args[1], block)) return UsageError("read needs a user name and a block number");
    ModuleHost module;
    if (!module.Ready()) return 1;
    std::vector<uint8_t> data(kBlockRoom, 0);
    uint32_t length = kBlockRoom;
    const int result = module.Get<ReadDataFn>("ReadData")(args[0].c_str(), block, data.data(), &length);
    if (result != 1) {
        std::fprintf(stderr, "otpadmin: ReadData answered %d\n", result);
        return 1;
    }
    std::printf("%u bytes:", length);
    for (uint32_t i = 0; i < length && i < kBlockRoom; ++i) std::printf(" %02x", data[i]);
    std::printf("\n");
    return 0;
}

int CommandWrite(const Args& args) {
    uint32_t block = 0;
    if (args.size() < 3 || !ParseBlock(args[1], block)) return UsageError("write needs a user name, a block number and a file");
    std::ifstream in(args[2], std::ios::binary);
    if (!in) return UsageError("cannot read the file");
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ModuleHost module;
    if (!module.Ready()) return 1;
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    const int result = module.Get<WriteDataFn>("WriteData")(args[0].c_str(), block, bytes.data(), &length);
    std::printf("%s: block %u, %u bytes %s\n", args[0].c_str(), block, length, result == 1 ? "stored" : "refused");
    return result == 1 ? 0 : 1;
}

}  // namespace otpadmin
