// The console window's handlers over a fake window and a fake port.
#include "form_fakes.h"

#include <gtest/gtest.h>

const Message kPortError{"Serial Port Error!", "Prompt"};

TEST(FormLoad, ShowsSettingsAndStartsIdle) {
    Console console(false);
    EXPECT_EQ(console.controls.caption, "Quarn(UART) - 9600,n,8,1");
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
    console.Receive("\x02" "frm0007\x03");
    EXPECT_EQ(console.controls.frameText, "0007");
    EXPECT_FALSE(console.port.open);
    EXPECT_FALSE(console.controls.commandsEnabled);
    EXPECT_EQ(console.controls.messages, std::vector<Message>{kPortError});
}
