// The settings dialog through the real DLL on the virtual display, driven by
// messages from a second thread while this thread runs the modal loop.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include <shlobj.h>

#include "dialog_driver.h"
#include "loopback_http_server.h"
#include "support/message_box_watcher.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kCaption[] = "Google Authenticator (T-OTP, HOTP)";
constexpr int kTest = 7, kEdit = 4, kExport = 5, kImport = 6, kStatus = 1002, kUsers = 1005, kDetail = 1006,
              kTimeout = 1008, kGateway = 1009;

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HaveDisplay());
        ResetVelmoRegistry();
        PutText(kOtpModule, "alice_key", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
        PutText(kOtpModule, "bob_key", "MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZ");
        PutText(kOtpModule, "bob_sms", "+15550100");
        PutText(kOtpModule, "carol_key", "MZXW6YTBOIMZXW6Y");
        PutDword(kOtpModule, "carol#", 5);
        dll.InitLibrary();
    }
    void TearDown() override {
        dll.CloseLibrary();
        ResetVelmoRegistry();
    }

    // Opens the dialog on this thread; `script` drives it from another one.
    INT_PTR Run(const std::function<void(HWND)>& script) {
        std::thread driver([&] {
            const HWND dialog = WaitForWindow(kCaption);
            ASSERT_NE(dialog, nullptr);
            script(dialog);
            // A script that ended the dialog leaves a window on its way out
            // for a moment; one that did not gets it cancelled. The next Run
            // must not find this window.
            if (!WindowGone(dialog, 1000)) Click(dialog, IDCANCEL);
            EXPECT_TRUE(WindowGone(dialog));
        });
        const INT_PTR result = dll.DisplaySettingsDialog(nullptr);
        driver.join();
        return result;
    }
    VelmoDll dll;
    MessageBoxWatcher boxes;
};

void CloseExplorerWindows() {
    for (int i = 0; i < 50; ++i) {  // the window may take a moment to appear
        Sleep(100);
        for (const char* explorer : {"ExploreWClass", "CabinetWClass"})
            if (const HWND window = FindWindowA(explorer, nullptr)) PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

}  // namespace

TEST_F(SettingsDialog, OpensWithTheUsersTheChannelAndTheTimeoutAndShowsEachUsersKind) {
    PutText(kOtpModule, "SMS-Gate-ret", "gateway said no");
    const INT_PTR result = Run([](HWND d) {
        EXPECT_EQ(ListItems(d, kUsers), (std::vector<std::string>{"alice", "bob", "carol"}));
        EXPECT_EQ(ItemText(d, kGateway), "OtpDeliveryScript.ps1");
        EXPECT_EQ(ItemText(d, kTimeout), "180");
        EXPECT_EQ(ItemText(d, kTest), "Test delivery");
        EXPECT_EQ(ItemText(d, kStatus), "Last delivery status:\n gateway said no");
        const struct {
            const char *user, *detail;
            bool testable;
        } users[] = {{"bob", "+15550100", true}, {"alice", "Google Auth TOTP", false}, {"carol", "Yubikey HOTP", false}};
        for (const auto& u : users) {
            SelectUser(d, u.user);
            EXPECT_EQ(ItemText(d, kDetail), u.detail);
            EXPECT_EQ(ItemEnabled(d, kTest), u.testable) << u.user;
        }
        // A record deleted behind the dialog's back reads as a plain TOTP user.
        ResetVelmoRegistry();
        SelectUser(d, "bob");
        EXPECT_EQ(ItemText(d, kDetail), "Google Auth TOTP");
    });
    EXPECT_EQ(result, 0);
}

TEST_F(SettingsDialog, OkStoresTheChannelAndTimeoutCancelNothing) {
    PutText(kOtpModule, "SMS-Gate-Success-Value", "queued");
    EXPECT_EQ(Run([&](HWND d) {
                  SetItemText(d, kTimeout, "200");
                  SetItemText(d, kGateway, std::string(300, 'g'));
                  Click(d, IDOK);
              }),
              1);
    EXPECT_EQ(Value(kOtpModule, "window").Dword(), 6u);
    EXPECT_EQ(Stored("SMS-Gate"), std::string(239, 'g'));  // the combo text is cut
    EXPECT_EQ(Stored("SMS-Gate-Success-Value"), " OK ");
    EXPECT_TRUE(boxes.Seen().empty());
    Run([](HWND d) {
        SetItemText(d, kGateway, "HTTPS://sms.example.test/send?to=%phone%");
        Click(d, IDOK);
    });
    EXPECT_EQ(Stored("SMS-Gate"), "HTTPS://sms.example.test/send?to=%phone%");  // stored, with a warning
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0], "SMS gate URL does not contain %text% parametr. Click ? for details");

    const auto before = AllValues(kOtpModule);
    EXPECT_EQ(Run([](HWND d) {
                  SetItemText(d, kTimeout, "300");
                  SetItemText(d, kGateway, "Other.ps1");
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(Run([](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }), 0);
    EXPECT_TRUE(AllValues(kOtpModule) == before);
}

TEST_F(SettingsDialog, TestButtonsAskForInputAndTestOtpAsksTheVerificationService) {
    Run([](HWND d) {
        SelectUser(d, "bob");
        SetItemText(d, kDetail, "123");
        Click(d, kTest);
    });
    LoopbackHttpServer service;
    service.Answer(200, R"({"status": true, "value": true})", "application/json");
    const std::string url = service.Url("/verify?u=%user%&otp=%pass%");
    PutText(kOtpModule, "URL", url);
    PutText(kOtpModule, "URL-ret", "last answer");
    Run([&](HWND d) {
        EXPECT_EQ(ItemText(d, kTest), "Test OTP");
        EXPECT_EQ(ItemText(d, kStatus), url + "\n\r\n\nLast OTP verification status:\n\r\nlast answer");
        SelectUser(d, "alice");
        for (const char* typed : {"12", "123456"}) {
            SetItemText(d, kDetail, typed);
            Click(d, kTest);
        }
    });
    EXPECT_EQ(service.LastRequest().query, "u=alice&otp=123456");
    EXPECT_EQ(boxes.Seen(), (std::vector<std::string>{"Please enter phone or email for test delivery.",
                                                      "Please enter OTP for test verification.",
                                                      R"({"status": true, "value": true})"}));
}

TEST_F(SettingsDialog, TestDeliveryThroughALoopbackGateway) {
    LoopbackHttpServer gateway;
    gateway.Answer(200, "queued OK");
    const std::string url = gateway.Url("/send?to=%phone%&text=%text%");
    Run([&](HWND d) {
        SetItemText(d, kGateway, url);
        SelectUser(d, "bob");
        Click(d, kTest);
        EXPECT_EQ(ItemText(d, kStatus), "Last delivery status:\n SMS delivery status: queued OK");
    });
    EXPECT_EQ(gateway.LastRequest().query, "to=+15550100&text=TestOTP");
    EXPECT_EQ(Stored("SMS-Gate"), url);  // stored before the test, kept after Cancel

    PutText(kOtpModule, "SMS-Gate", "");
    Run([&](HWND d) {
        SetItemText(d, kGateway, "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/send?to=%phone%");
        SelectUser(d, "bob");
        Click(d, kTest);
    });
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0], "OTP delivery error. \n\nNetwork error. Please use troubleshooting logs.");
}

TEST_F(SettingsDialog, UsersExportAndImportRoundTrip) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
    const std::string exported = std::string(desktop) + "\\VelmoOtpUsers.reg";
    DeleteFileA(exported.c_str());

    Run([](HWND d) { Click(d, kExport); });
    CloseExplorerWindows();  // the export shows the file in an Explorer window
    ASSERT_TRUE(FileExists(exported));
    const std::string file = ReadWholeFile(exported);
    EXPECT_EQ(file.substr(0, 2), "\xFF\xFE");  // UTF-16 with a byte-order mark
    ASSERT_FALSE(boxes.Seen().empty());
    EXPECT_EQ(boxes.Seen()[0], "The list of users was exported successfully.\n\nDesktop\\VelmoOtpUsers.reg");

    // The records go; the import brings them back and the list shows them.
    const auto before = AllValues(kOtpModule);
    ResetVelmoRegistry();
    std::thread chooser([&] {
        const HWND open = WaitForWindow("Open");
        ASSERT_NE(open, nullptr);
        AnswerOpenFileDialog(open, exported);
    });
    Run([](HWND d) {
        Click(d, kImport);
        EXPECT_EQ(ListItems(d, kUsers), (std::vector<std::string>{"alice", "bob", "carol"}));
    });
    chooser.join();
    EXPECT_TRUE(AllValues(kOtpModule) == before);
    EXPECT_EQ(boxes.Seen().back(), "The list of users was imported successfully.");

    // A file that is not a registry file changes nothing.
    const std::string junk = ScratchFilePath("junk");
    WriteWholeFile(junk, "this is not a registry file\r\n");
    std::thread junkChooser([&] { AnswerOpenFileDialog(WaitForWindow("Open"), junk); });
    Run([](HWND d) { Click(d, kImport); });
    junkChooser.join();
    EXPECT_TRUE(AllValues(kOtpModule) == before);
    DeleteFileA(exported.c_str());
}
