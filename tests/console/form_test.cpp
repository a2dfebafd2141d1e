// The console window's handlers over a fake window and a fake port.
#include "form_fakes.h"

#include <gtest/gtest.h>

const Message kPortError{"Serial Port Error!", "Prompt"};

TEST(FormLoad, ShowsSettingsAndStartsIdle) {
    Console console(false);
    EXPECT_EQ(console.controls.caption, "Quarn(UART) - 9600,n,8,1");
    std::vector<std::string> sixteen;
    for (int port = 1; port <= 16; ++port) sixteen.push_back("Com" + std::to_string(port));
    EXPECT_EQ(console.controls.portList, sixteen);
    EXPECT_EQ(console.controls.selected, -1);
    EXPECT_EQ(console.controls.frameText, "0150");
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_FALSE(console.port.open);
}

TEST(OpenPort, OpensTheSelectedPortAndEnablesCommands) {
    Console console(false);
    console.controls.selected = 2;  // "Com3"
    console.form.OpenPort_Click();
    EXPECT_EQ(console.port.opened, std::vector<int>{3});
    EXPECT_TRUE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.replyText, "");
    EXPECT_TRUE(console.controls.messages.empty());
}

// Ports above 16 follow in increasing order, each once, whatever the case of their names; names
// of other kinds, 16 and below and beyond the 4096 COM numbers are left out.
TEST(OpenPort, PortsAbove16OfTheSystemFollowAndOpen) {
    Console console(false, {"COM40", "com21", "COM5", "CNCA0", "COM21", "COM021", "COM17x", "COM4097", "COM16",
                            "COM4096", "COM"});
    std::vector<std::string> tail(console.controls.portList.begin() + 16, console.controls.portList.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Com21", "Com40", "Com4096"}));
    EXPECT_EQ(console.controls.portList[15], "Com16");
    console.port.existing = {21, 40};
    console.controls.selected = 17;  // "Com40"
    console.form.OpenPort_Click();
    console.controls.selected = 16;  // "Com21"
    console.form.OpenPort_Click();
    EXPECT_EQ(console.port.opened, (std::vector<int>{40, 21}));
    EXPECT_TRUE(console.controls.commandsEnabled);
    console.controls.selected = 19;  // past the list: nothing selected
    console.form.OpenPort_Click();
    EXPECT_FALSE(console.port.open);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
}

TEST(OpenPort, NothingSelectedFailsWithTheOneMessage) {
    Console console(false);
    console.form.OpenPort_Click();
    EXPECT_TRUE(console.port.opened.empty());
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
}

TEST(OpenPort, MovingToAnAbsentPortClosesTheOpenOne) {
    Console console;
    console.controls.selected = 3;  // "Com4" does not exist
    console.form.OpenPort_Click();
    EXPECT_FALSE(console.port.open);
    EXPECT_EQ(console.port.closes, 1);
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
}

TEST(OpenPort, OpeningTwiceReopensAndClearsTheReply) {
    Console console;
    console.Receive("\x02" "ok\x03");
    console.form.OpenPort_Click();
    EXPECT_EQ(console.port.opened, (std::vector<int>{3, 3}));
    EXPECT_EQ(console.port.closes, 1);
    EXPECT_EQ(console.controls.replyText, "");
    EXPECT_TRUE(console.controls.commandsEnabled);
    EXPECT_TRUE(console.controls.messages.empty());
}

TEST(Receive, FrameReplyShowsTheLineAndSetsTheFrameBox) {
    Console console;
    console.Receive("\x02\x66\x72\x6D\x30\x31\x35\x31\x03");
    EXPECT_EQ(console.controls.replyText, "[STX]frm0151[ETX]");
    EXPECT_EQ(console.controls.frameText, "0151");
    EXPECT_TRUE(console.controls.messages.empty());
}

TEST(Receive, AckAloneChangesNothingUntilTheNextEtx) {
    Console console;
    console.Receive("\x06");
    EXPECT_TRUE(console.controls.replyHistory.empty());
    console.Receive("\x15\x03");
    EXPECT_EQ(console.controls.replyText, "[ACK][NAK][ETX]");
}

TEST(Receive, SplitReplyOverEventsIsOneReply) {
    Console console;
    console.Receive("\x02\x66\x72");
    EXPECT_TRUE(console.controls.replyHistory.empty());
    console.Receive("\x6D\x30\x31\x35\x31\x03");
    EXPECT_EQ(console.controls.replyHistory, std::vector<std::string>{"[STX]frm0151[ETX]"});
    EXPECT_EQ(console.controls.frameText, "0151");
}

TEST(Receive, DeviceErrorsAreExplained) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "命令出错! "},
        {"2", "板卡禁止写操作,请拨SW2解除写保护! "},
        {"3", "存储器不能被擦除干净! "},
        {"4", "写操作不能继续进行! "},
        {"X", "未知错误! "},
        {"", "未知错误! "},  // [STX]error[ETX]: the code is "["
    };
    for (auto [code, message] : cases) {
        Console console;
        console.Receive(std::string("\x02" "error") + code + "\x03");
        EXPECT_EQ(console.controls.replyText, std::string("[STX]error") + code + "[ETX]");
        EXPECT_EQ(console.controls.messages, (std::vector<Message>{{message, "提示"}})) << code;
    }
}

TEST(Receive, UpperCaseErrorAndOtherRepliesAreOnlyShown) {
    Console console;
    console.Receive("\x02" "ERROR1\x03\x02" "ok\x03");
    EXPECT_EQ(console.controls.replyHistory, (std::vector<std::string>{"[STX]ERROR1[ETX]", "[STX]ok[ETX]"}));
    EXPECT_TRUE(console.controls.messages.empty());
    EXPECT_EQ(console.controls.frameText, "0150");
}

TEST(Receive, ShortFrameNumberLeavesTheFrameBox) {
    Console console;
    console.Receive("\x02" "frm12\x03");
    EXPECT_EQ(console.controls.replyText, "[STX]frm12[ETX]");
    EXPECT_EQ(console.controls.frameText, "0150");
}

TEST(Receive, EventWithoutBytesChangesNothing) {
    Console console;
    console.form.MSComm1_OnComm();
    EXPECT_TRUE(console.controls.replyHistory.empty());
    console.Receive("\x03");
    EXPECT_EQ(console.controls.replyText, "[ETX]");
}

TEST(Receive, OneBatchAnEventAndTheRestAtTheNextTurns) {
    Console console;
    console.port.arrivals = {"\x02" "frm0001\x03", "\x02" "frm0002\x03"};
    console.form.MSComm1_OnComm();
    EXPECT_EQ(console.controls.replyHistory, std::vector<std::string>{"[STX]frm0001[ETX]"});
    console.Turns();
    EXPECT_EQ(console.controls.frameHistory, (std::vector<std::string>{"0001", "0002"}));
}

TEST(Receive, BytesArrivingUnderAnErrorBoxWaitAndKeepTheirOrder) {
    Console console;
    // While the box is open, two more events come with two frames; the window keeps pumping.
    int events = 0;
    console.controls.whileBoxOpen = [&] {
        if (events++) return;
        console.port.arrivals.push_back("\x02" "frm0001\x03\x02" "fr");
        console.form.MSComm1_OnComm();
        console.port.arrivals.push_back("m0002\x03");
        console.form.MSComm1_OnComm();
        // Nothing was taken in while the handler waited in the box.
        EXPECT_EQ(console.controls.replyHistory, std::vector<std::string>{"[STX]error1[ETX]"});
    };
    console.Receive("\x02" "error1\x03\x02" "frm0003\x03");
    // The event's own batch is done once the box is closed; what came under it follows.
    EXPECT_EQ(console.controls.replyHistory, (std::vector<std::string>{"[STX]error1[ETX]", "[STX]frm0003[ETX]"}));
    console.Turns();
    EXPECT_EQ(console.controls.replyHistory,
              (std::vector<std::string>{"[STX]error1[ETX]", "[STX]frm0003[ETX]", "[STX]frm0001[ETX]",
                                        "[STX]frm0002[ETX]"}));
    EXPECT_EQ(console.controls.frameHistory, (std::vector<std::string>{"0003", "0001", "0002"}));
    EXPECT_EQ(console.controls.messages.size(), 1u);
}

TEST(LostLine, FailedWriteClosesThePortAndGoesIdle) {
    Console console;
    console.port.writeFails = true;
    console.form.Command5_Click();
    EXPECT_FALSE(console.port.open);
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
    // The operator can open a port again.
    console.port.writeFails = false;
    console.form.OpenPort_Click();
    EXPECT_TRUE(console.port.open);
    EXPECT_TRUE(console.controls.commandsEnabled);
}

TEST(LostLine, FailureUnderTheReceiveSideShowsWhatCameThenGoesIdle) {
    Console console;
    console.port.lineFailed = true;
    console.port.arrivals = {"\x02" "frm0007\x03", "\x02" "frm0008\x03"};
    console.form.MSComm1_OnComm();
    EXPECT_TRUE(console.port.open);
    EXPECT_TRUE(console.controls.messages.empty());
    console.Turns();
    EXPECT_EQ(console.controls.frameHistory, (std::vector<std::string>{"0007", "0008"}));
    EXPECT_FALSE(console.port.open);
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
}

TEST(LostLine, TheOpenPortsDeviceRemovedGoesIdleOthersChangeNothing) {
    Console console(false, {"COM1", "COM21"});
    console.port.existing = {21};
    console.controls.selected = 16;  // "Com21"
    console.form.OpenPort_Click();
    console.form.Form_PortRemoved("COM2");
    console.form.Form_PortRemoved("COM210");
    console.form.Form_PortRemoved("");
    EXPECT_TRUE(console.port.open);
    EXPECT_TRUE(console.controls.messages.empty());
    console.form.Form_PortRemoved("com21");
    EXPECT_FALSE(console.port.open);
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
    // Once closed, a late notice for the same port changes nothing.
    console.form.Form_PortRemoved("COM21");
    EXPECT_EQ(console.controls.messages.size(), 1u);
}

// The notice comes while a device-error box is open, with bytes still waiting: they are shown
// first, the box is not left for another, and the port is then lost.
TEST(LostLine, RemovalUnderAnErrorBoxWaitsForTheBoxAndTheBytesBefore) {
    Console console;
    console.controls.whileBoxOpen = [&] {
        console.controls.whileBoxOpen = nullptr;
        console.port.arrivals.push_back("\x02" "frm0009\x03");
        console.form.Form_PortRemoved("COM3");
        EXPECT_TRUE(console.port.open);
        EXPECT_EQ(console.controls.messages.size(), 1u);
    };
    console.Receive("\x02" "error4\x03");
    EXPECT_TRUE(console.port.open);
    console.Turns();
    EXPECT_EQ(console.controls.frameText, "0009");
    EXPECT_FALSE(console.port.open);
    EXPECT_EQ(console.controls.messages, (std::vector<Message>{{"写操作不能继续进行! ", "提示"}, kPortError}));
}

TEST(LostLine, ANewOpenBeforeTheBytesAreShownStartsAfresh) {
    Console console;
    console.port.arrivals = {"\x02" "a\x03", "\x02" "b\x03"};
    console.form.Form_PortRemoved("COM3");
    EXPECT_TRUE(console.port.open);
    console.form.OpenPort_Click();
    console.Turns();
    EXPECT_TRUE(console.port.open);
    EXPECT_TRUE(console.controls.messages.empty());
    EXPECT_EQ(console.controls.replyText, "[STX]b[ETX]");
}
