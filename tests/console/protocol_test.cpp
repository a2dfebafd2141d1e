// The device link on its own: frames out, the reply line in, the decoding of finished lines.
#include "console/link/protocol.h"

#include <gtest/gtest.h>

#include <vector>

using namespace device_link;

namespace {

std::string Feed(ReplyLine& line, std::string_view bytes) {
    for (char b : bytes) line.Feed(b);
    return std::string(line.Text());
}

}  // namespace

TEST(BuildFrame, WrapsTheCommandInStxAndEtx) {
    EXPECT_EQ(BuildFrame("FRMASK"), std::string("\x02" "FRMASK" "\x03"));
    EXPECT_EQ(BuildFrame("FRM0151"), std::string("\x02\x46\x52\x4D\x30\x31\x35\x31\x03"));
    EXPECT_EQ(BuildFrame(""), std::string("\x02\x03"));
}

TEST(ReplyLine, MarksControlBytesAndKeepsOthersAsTheyAre) {
    ReplyLine line;
    EXPECT_EQ(Feed(line, "\x02" "frm0151" "\x03"), "[STX]frm0151[ETX]");
    EXPECT_EQ(Feed(line, "\x06"), "[STX]frm0151[ETX][ACK]");
    EXPECT_EQ(Feed(line, "\x15" "x"), "[STX]frm0151[ETX][ACK][NAK]x");
    // Bytes above 0x7F stay single bytes: one byte, one character position.
    EXPECT_EQ(Feed(line, "\x02\xD6\xD0\x03"), "[STX]\xD6\xD0[ETX]");
    // Other bytes below 0x20 are no markers either.
    EXPECT_EQ(Feed(line, std::string("\x02\x00\x01\x04\x05\x07\x14\x16\x1F\x03", 10)),
              std::string("[STX]\x00\x01\x04\x05\x07\x14\x16\x1F[ETX]", 18));
}

TEST(ReplyLine, FeedReportsOnlyTheEtx) {
    ReplyLine line;
    for (char b : std::string("\x02" "ok\x06\x15")) EXPECT_FALSE(line.Feed(b));
    EXPECT_TRUE(line.Feed('\x03'));
}

TEST(ReplyLine, StxDropsWhatCameBefore) {
    ReplyLine line;
    EXPECT_EQ(Feed(line, "\x02" "abc\x06\x02" "d"), "[STX]d");
    EXPECT_EQ(Feed(line, "\x02\x02"), "[STX]");
}

TEST(ReplyLine, EtxWithoutStxShowsWhatAccumulated) {
    ReplyLine line;
    EXPECT_EQ(Feed(line, "\x06" "hello\x03"), "[ACK]hello[ETX]");
}

TEST(ReplyLine, SplitOverFeedsGivesTheSameLine) {
    ReplyLine whole, split;
    Feed(whole, "\x02" "frm0151\x03");
    Feed(split, "\x02" "fr");
    Feed(split, "m0151\x03");
    EXPECT_EQ(split.Text(), whole.Text());
}

// Whole blocks are scanned eight bytes at a time and short runs copied in pieces of fixed size: a
// control byte in any lane, among bytes just below and above the control range, other bytes below
// it, bytes with the top bit set, in a block longer and shorter than such a piece, and at the
// bound, gives the lines that byte-by-byte feeding gives.
TEST(ReplyLine, BlocksGiveTheLinesOfSingleBytes) {
    const char neighbours[] = {'\x00', '\x01', '\x04', '\x07', '\x12', '\x13', '\x14', '\x16', '\x17',
                               '\x7F', '\x80', '\x82', '\x83', '\x86', '\x95', '\xFF', 'a'};
    for (char control : {kStx, kEtx, kAck, kNak}) {
        for (char neighbour : neighbours) {
            for (std::size_t at = 0; at < 48; ++at) {
                std::string block(at < 24 ? 24 : 48, neighbour);
                block[at] = control;
                block += "\x03";
                for (std::size_t lead : {std::size_t{0}, ReplyLine::kMaxLength - 12}) {
                    ReplyLine bytewise, blockwise;
                    std::string prefix(lead, 'p');
                    Feed(bytewise, prefix + block);
                    std::string_view rest = prefix;
                    EXPECT_FALSE(blockwise.Feed(rest));
                    std::vector<std::string> lines;
                    for (rest = block; !rest.empty();)
                        if (blockwise.Feed(rest)) lines.emplace_back(blockwise.Text());
                    ASSERT_FALSE(lines.empty());
                    EXPECT_EQ(lines.back(), bytewise.Text()) << int(control) << " " << int(neighbour) << " " << at;
                    EXPECT_EQ(lines.size(), control == kEtx ? 2u : 1u);
                }
            }
        }
    }
}

TEST(ReplyLine, FloodWithoutStxStaysBoundedAndAReplyAfterItDecodes) {
    ReplyLine line;
    for (int i = 0; i < 1'000'000; ++i) line.Feed(static_cast<char>('A' + i % 26));
    EXPECT_EQ(line.Text().size(), ReplyLine::kMaxLength);
    // Repeated ETX and ACK do not grow it either, and the shown line ends with its marker.
    for (int i = 0; i < 1000; ++i) {
        line.Feed('\x03');
        line.Feed('\x06');
    }
    EXPECT_LE(line.Text().size(), ReplyLine::kMaxLength);
    line.Feed('\x03');
    EXPECT_TRUE(line.Text().ends_with("[ETX]"));
    EXPECT_EQ(line.Text().size(), ReplyLine::kMaxLength);

    EXPECT_EQ(Feed(line, "\x02" "frm0042\x03"), "[STX]frm0042[ETX]");
    EXPECT_EQ(FrameNumber(line.Text()), "0042");
}

TEST(ReplyLine, ALongReplyKeepsItsDecodedStart) {
    ReplyLine line;
    Feed(line, "\x02" "frm0077");
    for (int i = 0; i < 10'000; ++i) line.Feed('z');
    line.Feed('\x03');
    EXPECT_EQ(FrameNumber(line.Text()), "0077");
}

TEST(Decoding, DeviceErrorCodeIsTheCharacterAfterError) {
    EXPECT_EQ(DeviceErrorCode("[STX]error2[ETX]"), '2');
    EXPECT_EQ(DeviceErrorCode("[STX]errorX[ETX]"), 'X');
    // No code: the first character of the end marker stands at position 11.
    EXPECT_EQ(DeviceErrorCode("[STX]error[ETX]"), '[');
    EXPECT_EQ(DeviceErrorCode("[STX]ERROR1[ETX]"), std::nullopt);  // case matters
    EXPECT_EQ(DeviceErrorCode("[STX]ok[ETX]"), std::nullopt);
    EXPECT_EQ(DeviceErrorCode("[ACK]error1[ETX]"), '1');  // fixed positions, whatever precedes
    EXPECT_EQ(DeviceErrorCode("[ETX]"), std::nullopt);
    EXPECT_EQ(DeviceErrorCode(""), std::nullopt);
}

TEST(Decoding, FrameNumberNeedsFourDigits) {
    EXPECT_EQ(FrameNumber("[STX]frm0151[ETX]"), "0151");
    EXPECT_EQ(FrameNumber("[STX]frm12345[ETX]"), "1234");
    // A short number would put "12[E" into the frame box: no frame number then.
    EXPECT_EQ(FrameNumber("[STX]frm12[ETX]"), std::nullopt);
    EXPECT_EQ(FrameNumber("[STX]frm01a1[ETX]"), std::nullopt);
    EXPECT_EQ(FrameNumber("[STX]frm[ETX]"), std::nullopt);
    EXPECT_EQ(FrameNumber("[STX]FRM0151[ETX]"), std::nullopt);
    EXPECT_EQ(FrameNumber("[STX]fr"), std::nullopt);
}

TEST(Decoding, ErrorMessagesForEveryCode) {
    EXPECT_EQ(DeviceErrorMessage('1'), "命令出错! ");
    EXPECT_EQ(DeviceErrorMessage('2'), "板卡禁止写操作,请拨SW2解除写保护! ");
    EXPECT_EQ(DeviceErrorMessage('3'), "存储器不能被擦除干净! ");
    EXPECT_EQ(DeviceErrorMessage('4'), "写操作不能继续进行! ");
    for (char code : {'0', '5', 'X', '[', '\x80'}) EXPECT_EQ(DeviceErrorMessage(code), "未知错误! ") << code;
}
