// Message-map entries that match on more than the message number, dispatched through a real window.
#include "framework/Wnd.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

UINT g_probeMessage = 0;

class CProbe : public CWnd {
public:
    std::vector<std::string> calls;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMapEntry entries[] = {
            MapRegisteredMessage<&CProbe::OnProbe>(g_probeMessage),
            MapNotify<&CProbe::OnReleasedCapture>(NM_RELEASEDCAPTURE, 1013),
        };
        static const MessageMap map(CWnd::GetMessageMap(), entries);
        return &map;
    }

private:
    LRESULT OnProbe(WPARAM, LPARAM) {
        calls.push_back("registered");
        return 7;
    }
    void OnReleasedCapture(NMHDR*, LRESULT* result) {
        calls.push_back("notify");
        *result = 5;
    }
};

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_probeMessage = 0;
        window_ =
            CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(probe_.SubclassWindow(window_));
    }
    void TearDown() override { DestroyWindow(window_); }

    LRESULT Notify(UINT_PTR from, UINT code) {
        NMHDR header{nullptr, from, code};
        return SendMessageA(window_, WM_NOTIFY, from, reinterpret_cast<LPARAM>(&header));
    }

    HWND window_ = nullptr;
    CProbe probe_;
};

TEST_F(MessageMapTest, RegisteredEntryWaitsForTheRegistration) {
    SendMessageA(window_, WM_NULL, 0, 0);
    EXPECT_TRUE(probe_.calls.empty()) << "a variable still holding 0 matched WM_NULL";

    g_probeMessage = RegisterWindowMessageA("TobrikMessageMapProbe");
    ASSERT_NE(g_probeMessage, 0u);
    EXPECT_EQ(SendMessageA(window_, g_probeMessage, 0, 0), 7);
    EXPECT_EQ(probe_.calls, std::vector<std::string>{"registered"});
}

TEST_F(MessageMapTest, NotifyEntryMatchesCodeAndControl) {
    const struct {
        UINT_PTR from;
        UINT code;
        bool handled;
    } cases[] = {
        {1013, static_cast<UINT>(NM_RELEASEDCAPTURE), true},
        {1012, static_cast<UINT>(NM_RELEASEDCAPTURE), false},
        {1013, static_cast<UINT>(NM_CLICK), false},
    };
    for (const auto& c : cases) {
        probe_.calls.clear();
        const LRESULT result = Notify(c.from, c.code);
        EXPECT_EQ(!probe_.calls.empty(), c.handled) << "control " << c.from << ", code " << c.code;
        if (c.handled) {
            EXPECT_EQ(result, 5) << "the handler's result slot is the message's result";
        }
    }
}

}  // namespace
