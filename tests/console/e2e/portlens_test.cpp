// Portlens.exe under Wine, driven as an operator drives it, with the simulated board on the
// other end of a virtual null-modem cable: Portlens on COM3, the board on COM9.
#include "cable.h"
#include "console/link/protocol.h"
#include "console/window/control_ids.h"
#include "tools/board/board_client.h"
#include "tools/drive/accessible_name.h"
#include "tools/drive/drive.h"
#include "tools/drive/text_fit.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

using namespace console_ids;
using namespace drive;

namespace {

const int kConsolePort = 3;
const int kBoardPort = 9;

const int kCommandButtons[] = {kCommand1, kCommand2, kCommand3,  kCommand4,  kCommand5,
                               kCommand8, kCommand9, kCommand10, kCommand11};

std::string Framed(std::string_view text) {
    std::string frame(1, '\x02');
    frame.append(text);
    frame.push_back('\x03');
    return frame;
}

// Where the Portlens under test is: beside this program, or in its subdirectory that QUARN_PROGRAMS
// names (such as windows7, a build that takes the Windows 7 path).
std::wstring ProgramDirectory() {
    wchar_t subdirectory[MAX_PATH] = L"";
    if (!GetEnvironmentVariableW(L"QUARN_PROGRAMS", subdirectory, MAX_PATH)) return OwnDirectory();
    return OwnDirectory() + subdirectory + L"\\";
}

// Port names in the system's serial device map, as a driver puts them there, for as long as this
// lives. Wine fills the map only at its start, and like all of HKLM\HARDWARE it is volatile: the
// values are written into the running session.
class DeviceMap {
public:
    explicit DeviceMap(std::vector<std::pair<std::wstring, std::wstring>> ports) : ports_(std::move(ports)) {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
        for (const auto& [device, name] : ports_)
            if (key_)
                RegSetValueExW(key_, device.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                               static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    }
    ~DeviceMap() {
        if (!key_) return;
        for (const auto& port : ports_) RegDeleteValueW(key_, port.first.c_str());
        RegCloseKey(key_);
    }
    DeviceMap(const DeviceMap&) = delete;
    DeviceMap& operator=(const DeviceMap&) = delete;
    bool Written() const { return key_ != nullptr; }

private:
    std::vector<std::pair<std::wstring, std::wstring>> ports_;
    HKEY key_ = nullptr;
};

// What Windows sends every top-level window when a port goes away; true once it was answered.
bool SendPortRemoved(HWND window, const std::wstring& name, Duration timeout) {
    std::vector<BYTE> notice(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + (name.size() + 1) * sizeof(wchar_t));
    auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(notice.data());
    port->dbcp_size = static_cast<DWORD>(notice.size());
    port->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::copy(name.c_str(), name.c_str() + name.size() + 1, port->dbcp_name);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(port),
                               SMTO_NORMAL, static_cast<UINT>(timeout.count()), &result) != 0;
}

HANDLE OpenPort(int port) {
    std::wstring path = L"\\\\.\\COM" + std::to_wstring(port);
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

class PortlensTest : public ::testing::Test {
protected:
    void SetUp() override { Start(kConsolePort, kBoardPort); }

    // A fresh cable each time, so that no byte of an earlier test is left in it.
    void Start(int consolePort, int boardPort) {
        ASSERT_TRUE(cable::Connect(consolePort, boardPort));
        board_ = std::make_unique<board::BoardClient>(boardPort);
        ASSERT_TRUE(board_->Ready());
        program_ = Program(L"\"" + ProgramDirectory() + L"Portlens.exe\"");
        window_ = program_.WaitForWindow(kCaptionPrefix);
        ASSERT_NE(window_, nullptr) << "no window; Portlens " << program_.State();
    }

    void TearDown() override {
        program_.End();
        board_.reset();
    }

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void Settle() const { ASSERT_TRUE(drive::Settle(Item(kText2))); }
    std::wstring Reply() const { return Text(Item(kLabel1)); }
    std::wstring FrameBox() const { return Text(Item(kText2)); }

    void Open(int port) {
        SelectComboItem(Item(kCombo1), port - 1);
        Click(Item(kOpenPort));
        Settle();
    }
    void Connect() {
        Open(kConsolePort);
        ASSERT_TRUE(Enabled(Item(kCommand1))) << "Com3 did not open";
    }

    bool CommandsEnabled(bool enabled) const {
        for (int id : kCommandButtons)
            if (Enabled(Item(id)) != enabled) return false;
        return Enabled(Item(kText2)) == enabled;
    }

    // The bytes that one operator action put on the wire.
    std::string WireAfter(const std::function<void()>& action, std::size_t expected) {
        board_->ClearReceived();
        action();
        board_->WaitReceived(expected);
        return board_->Received();
    }

    void ExpectBox(const std::wstring& text, const std::wstring& title) {
        MessageBoxInfo box = WaitForMessageBox(program_.Id());
        ASSERT_NE(box.window, nullptr) << "no message box";
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.title, title);
        EXPECT_TRUE(box.hasIcon);
        CloseMessageBox(box.window);
        ASSERT_TRUE(WaitNoMessageBox(program_.Id()));
    }
    void ExpectPortError() { ExpectBox(L"Serial Port Error!", L"Prompt"); }

    void BoardSends(const std::string& command) { ASSERT_TRUE(board_->Command(command)); }
    bool ReplyIs(const std::wstring& text, Duration timeout = 5000ms) const {
        return WaitFor([&] { return Reply() == text; }, timeout);
    }

    std::unique_ptr<board::BoardClient> board_;
    Program program_;
    HWND window_ = nullptr;
};

TEST_F(PortlensTest, StartsIdleWithTheSettingsInTheCaption) {
    EXPECT_EQ(Text(window_), L"Quarn(UART) - 9600,n,8,1");
    HWND combo = Item(kCombo1);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 16);
    for (int i = 0; i < 16; ++i) {
        wchar_t entry[16] = L"";
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        EXPECT_EQ(std::wstring(entry), L"Com" + std::to_wstring(i + 1));
    }
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(combo), L"Port Select");
    EXPECT_EQ(FrameBox(), L"0150");
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_TRUE(Enabled(Item(kOpenPort)));
    EXPECT_TRUE(Enabled(combo));
    EXPECT_EQ(Reply(), L"");

    // The keyboard starts in the port list, the first control that can take it.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &gui));
    EXPECT_TRUE(gui.hwndFocus == combo || GetParent(gui.hwndFocus) == combo);
}

// The console's controls in twips, but for the port list, whose closed height its font sets, and
// the frame box, which grows to hold its Arial 14.25 pt (more than 375 twips at 96 DPI).
const drive::TwipsPlace kLayout[] = {
    {kOpenPort, 3000, 240, 1815, 375},  {kCommand5, 600, 1320, 855, 375},  {kCommand8, 1560, 1320, 735, 375},
    {kCommand9, 2400, 1320, 735, 375},  {kCommand10, 3240, 1320, 735, 375}, {kCommand11, 4080, 1320, 735, 375},
    {kCommand1, 2160, 840, 495, 375},   {kCommand2, 2880, 840, 495, 375},   {kCommand3, 3600, 840, 495, 375},
    {kCommand4, 4320, 840, 495, 375},   {kLabel1, 600, 1920, 4215, 375},
};
const SIZE kClientTwips{5400, 2580};

// The frame box at its twips, or by a pixel or two taller.
void ExpectFrameBoxAt(HWND window, int dpi) {
    auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT box = ClientRectIn(GetDlgItem(window, kText2), window);
    EXPECT_EQ(box.left, pixels(600));
    EXPECT_EQ(box.top, pixels(840));
    EXPECT_EQ(box.right - box.left, pixels(1335));
    EXPECT_GE(box.bottom - box.top, pixels(375));
    EXPECT_LE(box.bottom - box.top, pixels(375) + 2);
}

TEST_F(PortlensTest, ControlsLieAtTheirTwipsAt96Dpi) {
    EXPECT_EQ(drive::LayoutDifferences(window_, kClientTwips, kLayout, 96), "");
    ExpectFrameBoxAt(window_, 96);
    // Closed, a drop-down combo box is as tall as its font needs: about the table's 300 twips.
    RECT combo = ClientRectIn(Item(kCombo1), window_);
    EXPECT_EQ(combo.left, 40);
    EXPECT_EQ(combo.top, 16);
    EXPECT_EQ(combo.right - combo.left, 105);
    EXPECT_NEAR(combo.bottom - combo.top, 20, 4);
    // Tab order: the frame box, the commands in their order, then the port list and the button.
    const int order[] = {kText2,    kCommand1,  kCommand2,  kCommand3, kCommand4, kCommand5, kCommand8,
                         kCommand9, kCommand10, kCommand11, kLabel1,   kCombo1,   kOpenPort};
    std::vector<int> shown;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) shown.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(shown, std::vector<int>(std::begin(order), std::end(order)));
}

// In each control's own font, at every DPI from 96 to 192: run also where the message font is as
// large as Windows' (Segoe UI 9 pt), which the layout's boxes do not hold.
TEST_F(PortlensTest, TextsFitTheirTwipsBoxesAt96To192Dpi) {
    EXPECT_EQ(drive::TextsThatDoNotFit(window_), "") << "at 96 DPI";
    for (DWORD dpi : {120, 144, 168, 192}) {
        TearDown();
        drive::SetSystemDpi(dpi);
        Start(kConsolePort, kBoardPort);
        drive::SetSystemDpi(96);
        EXPECT_EQ(drive::TextsThatDoNotFit(window_), "") << "at " << dpi << " DPI";
    }
}

// A screen reader names a box after the label made just before it: hidden ones for these two.
TEST_F(PortlensTest, ScreenReadersNameTheFrameBoxAndThePortList) {
    EXPECT_EQ(drive::AccessibleName(Item(kText2)), L"Frame number");
    // Wine's Active Accessibility names no combo box; Windows names it after its label too.
    HWND label = GetWindow(Item(kCombo1), GW_HWNDPREV);
    EXPECT_EQ(ClassName(label), L"Static");
    EXPECT_EQ(Text(label), L"Serial port");
    EXPECT_FALSE(GetWindowLongW(label, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(PortlensTest, At144DpiTheLayoutScalesFromTheTwips) {
    TearDown();
    drive::SetSystemDpi(144);
    Start(kConsolePort, kBoardPort);
    drive::SetSystemDpi(96);
    EXPECT_EQ(drive::LayoutDifferences(window_, kClientTwips, kLayout, 144), "");
    ExpectFrameBoxAt(window_, 144);
    // The fonts grow with it: the closed port list is as tall as its font needs.
    RECT combo = ClientRectIn(Item(kCombo1), window_);
    EXPECT_NEAR(combo.bottom - combo.top, 30, 4);
    // A caption still fits its button.
    Connect();
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
}

// Run in the session with the Chinese system locale (ctest's portlens_e2e_zh).
TEST_F(PortlensTest, UnderAChineseSystemLocaleGbkBytesShowAsChinese) {
    if (GetACP() != 936) GTEST_SKIP() << "not under a Chinese system locale";
    Connect();
    BoardSends("send 02 D6 D0 CE C4 03");  // "中文" in the Chinese ANSI code page
    EXPECT_TRUE(ReplyIs(L"[STX]中文[ETX]")) << "shown: " << win32::Narrow(Reply());
    // 81 5B is one character there: its second byte is no marker's bracket.
    BoardSends("send 02 81 5B 41 03");
    EXPECT_TRUE(ReplyIs(L"[STX]\u4E55A[ETX]")) << "shown: " << win32::Narrow(Reply());
    BoardSends("error 2");
    ExpectBox(L"板卡禁止写操作,请拨SW2解除写保护! ", L"提示");
}

TEST_F(PortlensTest, OpeningWithNothingSelectedOrAnAbsentPortFails) {
    Click(Item(kOpenPort));
    ExpectPortError();
    EXPECT_TRUE(CommandsEnabled(false));

    Open(16);  // no cable at COM16
    ExpectPortError();
    EXPECT_TRUE(CommandsEnabled(false));

    Open(kConsolePort);
    EXPECT_TRUE(CommandsEnabled(true));
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());
}

TEST_F(PortlensTest, MovingToAnAbsentPortClosesTheOpenOne) {
    Connect();
    Open(16);
    ExpectPortError();
    EXPECT_TRUE(CommandsEnabled(false));
    // Com3 is closed: what the board sends now waits in the cable and shows only after reopening.
    BoardSends("reply frm0321");
    EXPECT_FALSE(ReplyIs(L"[STX]frm0321[ETX]", 500ms));
    Open(kConsolePort);
    EXPECT_TRUE(ReplyIs(L"[STX]frm0321[ETX]"));
}

TEST_F(PortlensTest, OpeningTwiceClearsTheReplyAndReopens) {
    Connect();
    BoardSends("reply ok");
    ASSERT_TRUE(ReplyIs(L"[STX]ok[ETX]"));
    Open(kConsolePort);
    EXPECT_EQ(Reply(), L"");
    EXPECT_TRUE(CommandsEnabled(true));
    BoardSends("reply again");
    EXPECT_TRUE(ReplyIs(L"[STX]again[ETX]"));
}

TEST_F(PortlensTest, PortsAboveNineOpenByTheirDevicePath) {
    TearDown();
    Start(12, 13);
    Open(12);
    ASSERT_TRUE(CommandsEnabled(true));
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
    EXPECT_TRUE(ReplyIs(L"[STX]Quarn board simulator 1.00[ETX]"));
}

// Ports above 16 that the system's device map lists follow Com16, in increasing order, and open
// like any other; names of other kinds are left out.
TEST_F(PortlensTest, PortsAbove16OfTheDeviceMapFollowInTheListAndOpen) {
    TearDown();
    DeviceMap map({{L"\\Device\\QuarnTest40", L"COM40"},
                   {L"\\Device\\QuarnTest21", L"COM21"},
                   {L"\\Device\\QuarnTestOther", L"CNCA0"}});
    ASSERT_TRUE(map.Written());
    Start(21, 22);
    HWND combo = Item(kCombo1);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 18);
    for (auto [index, text] : {std::pair{15, L"Com16"}, {16, L"Com21"}, {17, L"Com40"}}) {
        wchar_t entry[16] = L"";
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
        EXPECT_EQ(std::wstring(entry), text);
    }
    SelectComboItem(combo, 16);
    Click(Item(kOpenPort));
    Settle();
    ASSERT_TRUE(CommandsEnabled(true)) << "Com21 did not open";
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
    EXPECT_TRUE(ReplyIs(L"[STX]Quarn board simulator 1.00[ETX]"));
}

// A port's last user may have left any settings, XON and XOFF both 0 among them, as some drivers
// report them (and then refuse them back; Wine takes them). Portlens sets every one of its own:
// what it leaves on the port shows them.
TEST_F(PortlensTest, EveryLineSettingIsPortlenssOwnNoneLeftByTheLastUser) {
    HANDLE port = OpenPort(kConsolePort);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DCB left{};
    left.DCBlength = sizeof left;
    ASSERT_TRUE(GetCommState(port, &left));
    left.BaudRate = CBR_1200;
    left.StopBits = TWOSTOPBITS;
    left.fOutX = left.fInX = left.fOutxCtsFlow = TRUE;
    left.XonChar = left.XoffChar = 0;
    ASSERT_TRUE(SetCommState(port, &left));
    CloseHandle(port);

    Connect();
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
    EXPECT_TRUE(ReplyIs(L"[STX]Quarn board simulator 1.00[ETX]"));
    program_.End();
    port = OpenPort(kConsolePort);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DCB set{};
    set.DCBlength = sizeof set;
    ASSERT_TRUE(GetCommState(port, &set));
    CloseHandle(port);
    EXPECT_EQ(set.BaudRate, 9600u);
    EXPECT_EQ(set.ByteSize, 8);
    EXPECT_EQ(set.Parity, NOPARITY);
    EXPECT_EQ(set.StopBits, ONESTOPBIT);
    EXPECT_FALSE(set.fOutX || set.fInX || set.fOutxCtsFlow);
    EXPECT_EQ(set.XonChar, 0x11);
    EXPECT_EQ(set.XoffChar, 0x13);
}

TEST_F(PortlensTest, RepliesAreShownWithMarkersAndDecoded) {
    Connect();
    BoardSends("send 02 66 72 6D 30 31 35 31 03");
    EXPECT_TRUE(ReplyIs(L"[STX]frm0151[ETX]"));
    EXPECT_EQ(FrameBox(), L"0151");

    BoardSends("split frm0077");  // one reply in two pieces
    EXPECT_TRUE(ReplyIs(L"[STX]frm0077[ETX]"));
    EXPECT_TRUE(WaitFor([&] { return FrameBox() == L"0077"; }));

    BoardSends("send 02 61 02 62 03");  // two STX: the second starts afresh
    EXPECT_TRUE(ReplyIs(L"[STX]b[ETX]"));

    BoardSends("ack");  // shown only at the next ETX
    BoardSends("nak");
    Settle();
    EXPECT_EQ(Reply(), L"[STX]b[ETX]");
    BoardSends("send 78 03");  // an ETX without an STX shows what accumulated
    EXPECT_TRUE(ReplyIs(L"[STX]b[ETX][ACK][NAK]x[ETX]"));

    BoardSends("reply frm12");  // a short number leaves the frame box as it is
    EXPECT_TRUE(ReplyIs(L"[STX]frm12[ETX]"));
    Settle();
    EXPECT_EQ(FrameBox(), L"0077");

    BoardSends("reply ERROR1");  // not an error reply: the comparison is case-sensitive
    EXPECT_TRUE(ReplyIs(L"[STX]ERROR1[ETX]"));
    Settle();
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());
}

TEST_F(PortlensTest, DeviceErrorsAreExplainedInChinese) {
    Connect();
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"1", L"命令出错! "},
        {"2", L"板卡禁止写操作,请拨SW2解除写保护! "},
        {"3", L"存储器不能被擦除干净! "},
        {"4", L"写操作不能继续进行! "},
        {"X", L"未知错误! "},
    };
    for (auto [code, message] : cases) {
        BoardSends(std::string("error ") + code);
        ExpectBox(message, L"提示");
        EXPECT_TRUE(ReplyIs(L"[STX]error" + std::wstring(code, code + 1) + L"[ETX]")) << win32::Narrow(Reply());
    }
}

TEST_F(PortlensTest, BytesArrivingUnderAnErrorBoxAreKeptInOrder) {
    Connect();
    BoardSends("error 3");
    MessageBoxInfo box = WaitForMessageBox(program_.Id());
    ASSERT_NE(box.window, nullptr);
    // More than 64 KiB beyond the driver's buffer, then a run of frames, while the box is open.
    BoardSends("flood 100000");
    BoardSends("stream 300 2");
    Sleep(2000);
    EXPECT_EQ(Reply(), L"[STX]error3[ETX]");
    EXPECT_EQ(MessageBoxes(program_.Id()).size(), 1u);
    CloseMessageBox(box.window);
    EXPECT_TRUE(ReplyIs(L"[STX]frm0300[ETX]"));
    EXPECT_TRUE(WaitFor([&] { return FrameBox() == L"0300"; }));
    EXPECT_TRUE(WaitNoMessageBox(program_.Id()));
}

// A title-bar button held down runs a loop of the system's that takes mouse messages only,
// and none of the window's own: the replies go on showing all the same.
TEST_F(PortlensTest, RepliesShowWhileATitleBarButtonIsHeld) {
    Connect();
    auto captured = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) && info.hwndCapture == window_;
    };
    // The pointer lies off the button, so that letting go of it does not close the window.
    SetCursorPos(0, 0);
    PostMessageW(window_, WM_NCLBUTTONDOWN, HTCLOSE, 0);
    ASSERT_TRUE(WaitFor(captured)) << "the close button is not held";
    BoardSends("reply frm0123");
    EXPECT_TRUE(ReplyIs(L"[STX]frm0123[ETX]"));
    EXPECT_TRUE(WaitFor([&] { return FrameBox() == L"0123"; }));
    EXPECT_TRUE(captured()) << "the button was let go before the reply showed";

    PostMessageW(window_, WM_MOUSEMOVE, 0, 0);
    PostMessageW(window_, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !captured(); }));
    BoardSends("reply frm0124");
    EXPECT_TRUE(ReplyIs(L"[STX]frm0124[ETX]"));
    EXPECT_TRUE(program_.Running());
}

TEST_F(PortlensTest, AFloodWithoutStxStaysSmallAndTheNextReplyDecodes) {
    Connect();
    BoardSends("send 06");
    BoardSends("flood 10000000");
    BoardSends("send 03");
    // The shown line is the flood's start, cut to the bound, with its end marker.
    ASSERT_TRUE(WaitFor([&] { return Reply().ends_with(L"[ETX]"); }, 120000ms));
    EXPECT_TRUE(Reply().starts_with(L"[ACK]"));
    EXPECT_EQ(Reply().size(), device_link::ReplyLine::kMaxLength);
    EXPECT_TRUE(program_.Running());
    BoardSends("reply frm0042");
    EXPECT_TRUE(ReplyIs(L"[STX]frm0042[ETX]"));
    EXPECT_TRUE(WaitFor([&] { return FrameBox() == L"0042"; }));
}

// STX, ETX, ACK and NAK in each of their 24 orders, one after the other, with a letter of the
// order's own before and after each, so that every order's line differs from the one before: the
// window shows at each ETX what the board's bytes make of the line so far.
TEST_F(PortlensTest, ControlBytesInEveryOrderShowAsTheirMarkers) {
    Connect();
    char order[] = {device_link::kStx, device_link::kEtx, device_link::kAck, device_link::kNak};
    std::sort(std::begin(order), std::end(order));
    // The line as the board's bytes make it: STX begins it afresh, every control byte adds its
    // marker, and ETX shows it.
    std::string line;
    char letter = 'A';
    do {
        std::string bytes(1, letter);
        for (char control : order) bytes += {control, letter};
        std::string command = "send";
        std::string shown;
        for (char byte : bytes) {
            char hex[4];
            snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(byte));
            command += hex;
            if (byte == device_link::kStx) line.clear();
            line += byte == device_link::kStx   ? "[STX]"
                    : byte == device_link::kEtx ? "[ETX]"
                    : byte == device_link::kAck ? "[ACK]"
                    : byte == device_link::kNak ? "[NAK]"
                                                : std::string(1, byte);
            if (byte == device_link::kEtx) shown = line;
        }
        BoardSends(command);
        EXPECT_TRUE(ReplyIs(win32::Widen(shown))) << "order " << letter << ": shown " << win32::Narrow(Reply());
        ++letter;
    } while (std::next_permutation(std::begin(order), std::end(order)));
    EXPECT_EQ(letter, 'A' + 24);
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());
}

// As the system's ANSI code page reads the board's bytes: in a double-byte one E9 42 is one
// character, and an E9 before a marker stays one of its own and leaves the marker whole.
TEST_F(PortlensTest, BytesAboveAsciiShowAsAnsiCharacters) {
    Connect();
    BoardSends("send 02 41 E9 42 03");
    EXPECT_TRUE(ReplyIs(L"[STX]A" + win32::AnsiToWide("\xE9\x42") + L"[ETX]")) << "shown: " << win32::Narrow(Reply());
    std::wstring lone = win32::AnsiToWide("\xE9");
    ASSERT_EQ(lone.size(), 1u);
    BoardSends("send 02 41 E9 06 42 E9 15 43 E9 03");
    EXPECT_TRUE(ReplyIs(L"[STX]A" + lone + L"[ACK]B" + lone + L"[NAK]C" + lone + L"[ETX]"))
        << "shown: " << win32::Narrow(Reply());
}

TEST_F(PortlensTest, ANulShowsAsItsSymbolAndTheRestOfTheLineStays) {
    Connect();
    BoardSends("send 02 41 00 42 03");
    EXPECT_TRUE(ReplyIs(L"[STX]A\u2400B[ETX]")) << "shown: " << win32::Narrow(Reply());
}

TEST_F(PortlensTest, APulledCableWhileIdleGoesBackToIdleAndCanReopen) {
    Connect();
    ASSERT_TRUE(cable::Pull(kConsolePort));
    ExpectPortError();
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_TRUE(program_.Running());

    board_.reset();
    ASSERT_TRUE(cable::Connect(kConsolePort, kBoardPort));
    board_ = std::make_unique<board::BoardClient>(kBoardPort);
    ASSERT_TRUE(board_->Ready());
    Connect();
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
}

// Not every driver ends a pending read when its adapter is pulled; Windows then still tells every
// top-level window that the port went away.
TEST_F(PortlensTest, TheOpenPortsRemovalNoticeGoesBackToIdleAndCanReopen) {
    Connect();
    EXPECT_TRUE(SendPortRemoved(window_, L"COM4", 5000ms));
    Settle();
    EXPECT_TRUE(CommandsEnabled(true));
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());

    // The answer comes once the box is closed.
    std::thread notice([&] { SendPortRemoved(window_, L"com3", 60000ms); });
    ExpectPortError();
    notice.join();
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_TRUE(program_.Running());
    Connect();
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand5)); }, 5), Framed("QID"));
}

TEST_F(PortlensTest, APulledCableDuringWritesGivesOneMessageAndIdle) {
    Connect();
    ASSERT_TRUE(cable::Pull(kConsolePort));
    for (int i = 0; i < 20; ++i) Click(Item(kCommand1));
    ExpectPortError();
    Settle();
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());
    EXPECT_TRUE(program_.Running());
}

// The operator's commands.

TEST_F(PortlensTest, EveryCommandPutsItsFrameOnTheWire) {
    Connect();
    // Each command clears the reply display; the board's answer then shows (an ACK alone does
    // not). Waiting for it also keeps a late frame reply from stepping on the next command.
    const struct {
        int id;
        const char* word;
        const wchar_t* answer;
    } commands[] = {
        {kCommand1, "FRM0151", L"[STX]frm0151[ETX]"},
        {kCommand2, "FRM0150", L"[STX]frm0150[ETX]"},
        {kCommand3, "FRM0150", L"[STX]frm0150[ETX]"},
        {kCommand4, "FRMASK", L"[STX]frm0150[ETX]"},
        {kCommand5, "QID", L"[STX]Quarn board simulator 1.00[ETX]"},
        {kCommand8, "SEQ0", L""},
        {kCommand9, "SEQ1", L""},
        {kCommand10, "SEQ2", L""},
        {kCommand11, "SEQ3", L""},
    };
    for (const auto& c : commands) {
        BoardSends("reply before");
        ASSERT_TRUE(ReplyIs(L"[STX]before[ETX]"));
        std::string frame = Framed(c.word);
        EXPECT_EQ(WireAfter([&] { Click(Item(c.id)); }, frame.size()), frame) << c.word;
        EXPECT_TRUE(ReplyIs(c.answer)) << c.word;
    }
    EXPECT_EQ(WireAfter([&] { PressEnter(Item(kText2)); }, 9), "\x02\x46\x52\x4D\x30\x31\x35\x30\x03");
    EXPECT_TRUE(ReplyIs(L"[STX]frm0150[ETX]"));
    EXPECT_EQ(FrameBox(), L"0150");
}

TEST_F(PortlensTest, FrameCommandsRewriteTheBox) {
    Connect();
    struct Case {
        const wchar_t* box;
        int command;
        const wchar_t* after;
    } cases[] = {
        {L"0511", kCommand1, L"0511"}, {L"0001", kCommand2, L"0001"}, {L"150", kCommand3, L"0150"},
        {L"12abc", kCommand1, L"0013"}, {L"-7", kCommand3, L"0001"}, {L"999", kCommand3, L"0511"},
        {L"1e400", kCommand1, L"0511"}, {L"", kCommand2, L"0001"},
    };
    for (const Case& c : cases) {
        SetText(Item(kText2), c.box);
        std::string expected = "\x02" "FRM" + std::string(c.after, c.after + 4) + "\x03";
        EXPECT_EQ(WireAfter([&] { Click(Item(c.command)); }, expected.size()), expected) << c.box;
        // The board echoes the number; the box holds it either way.
        EXPECT_TRUE(WaitFor([&] { return Reply() == L"[STX]frm" + std::wstring(c.after) + L"[ETX]"; }));
        EXPECT_EQ(FrameBox(), c.after);
    }
}

TEST_F(PortlensTest, EnterInTheFrameBoxSendsAndOtherKeysType) {
    Connect();
    SetText(Item(kText2), L"");
    TypeChars(Item(kText2), L"42");
    Settle();
    EXPECT_EQ(FrameBox(), L"42");
    EXPECT_TRUE(board_->Received().empty());
    EXPECT_EQ(WireAfter([&] { PressEnter(Item(kText2)); }, 9), Framed("FRM0042"));
    EXPECT_EQ(FrameBox(), L"0042");
}

TEST_F(PortlensTest, AskingShowsTheBoardsFrame) {
    Connect();
    BoardSends("send 02 46 52 4D 30 30 34 32 03");  // nothing answers a stray frame; just noise
    EXPECT_EQ(WireAfter([&] { Click(Item(kCommand4)); }, 8), "\x02\x46\x52\x4D\x41\x53\x4B\x03");
    BoardSends("reply frm0042");
    EXPECT_TRUE(WaitFor([&] { return FrameBox() == L"0042"; }));
}

TEST_F(PortlensTest, DisabledControlsSendNothing) {
    for (int id : kCommandButtons) Click(Item(id));
    PressEnter(Item(kText2));
    Settle();
    Sleep(300);
    EXPECT_TRUE(board_->Received().empty());
    EXPECT_TRUE(MessageBoxes(program_.Id()).empty());
    EXPECT_EQ(FrameBox(), L"0150");
}

TEST_F(PortlensTest, ABurstOfClicksSendsEveryFrameInOrder) {
    Connect();
    BoardSends("silent on");  // an echo arriving between two clicks would set the box back
    std::string expected;
    for (int frame = 151; frame <= 200; ++frame) expected += Framed("FRM0" + std::to_string(frame));
    EXPECT_EQ(WireAfter([&] { for (int i = 0; i < 50; ++i) Click(Item(kCommand1)); }, expected.size()), expected);
    Settle();
    EXPECT_EQ(FrameBox(), L"0200");
}

}  // namespace
