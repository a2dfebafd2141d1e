// The device link on its own: frames out, the reply line in, the decoding of finished lines.
#include "console/link/protocol.h"

#include <gtest/gtest.h>

#include <vector>

using namespace device_link;

namespace {

std::string Feed(ReplyLine& line, std::string_view bytes) {
    for (char b : bytes) line.Take(b);
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

TEST(ReplyLine, TakeReportsOnlyTheEtx) {
    ReplyLine line;
    for (char b : std::string("\x02" "ok\x06\x15")) EXPECT_FALSE(line.Take(b));
    EXPECT_TRUE(line.Take('\x03'));
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

// The markers are known by their place, not found by their bracket: the board's own "[" stays one
// of its bytes, and a marker cut short by the bound is no longer one.
TEST(ReplyLine, KnowsWhereItsMarkersAre) {
    ReplyLine line;
    Feed(line, "\x06\x02\x81[STX]\x06\x15" "a[\x03");
    EXPECT_EQ(line.Text(), "[STX]\x81[STX][ACK][NAK]a[[ETX]");
    EXPECT_EQ(line.Markers(), (std::vector<std::size_t>{0, 11, 16, 23}));

    Feed(line, "\x02" + std::string(ReplyLine::kMaxLength - 13, 'q') + "\x06\x15");
    EXPECT_EQ(line.Markers(), (std::vector<std::size_t>{0, ReplyLine::kMaxLength - 8}));
    line.Take(kEtx);
    EXPECT_EQ(line.Markers(), (std::vector<std::size_t>{0, ReplyLine::kMaxLength - 5}));
}

TEST(ReplyLine, FloodWithoutStxStaysBoundedAndAReplyAfterItDecodes) {
    ReplyLine line;
    for (int i = 0; i < 1'000'000; ++i) line.Take(static_cast<char>('A' + i % 26));
    EXPECT_EQ(line.Text().size(), ReplyLine::kMaxLength);
    // Repeated ETX and ACK do not grow it either, and the shown line ends with its marker.
    for (int i = 0; i < 1000; ++i) {
        line.Take('\x03');
        line.Take('\x06');
    }
    EXPECT_LE(line.Text().size(), ReplyLine::kMaxLength);
    line.Take('\x03');
    EXPECT_TRUE(line.Text().ends_with("[ETX]"));
    EXPECT_EQ(line.Text().size(), ReplyLine::kMaxLength);

    EXPECT_EQ(Feed(line, "\x02" "frm0042\x03"), "[STX]frm0042[ETX]");
    EXPECT_EQ(FrameNumber(line.Text()), "0042");
}

TEST(ReplyLine, AMarkerThatDoesNotFitIsLeftOutWhole) {
    for (char control : {kAck, kNak}) {
        ReplyLine line;
        std::string nearBound = "[STX]" + std::string(ReplyLine::kMaxLength - 8, 'q');
        Feed(line, "\x02" + nearBound.substr(5));
        EXPECT_EQ(Feed(line, std::string(1, control)), nearBound);
        EXPECT_EQ(Feed(line, "\x03"), nearBound.substr(0, ReplyLine::kMaxLength - 5) + "[ETX]");
    }
}

TEST(ReplyLine, ALongReplyKeepsItsDecodedStart) {
    ReplyLine line;
    Feed(line, "\x02" "frm0077");
    for (int i = 0; i < 10'000; ++i) line.Take('z');
    line.Take('\x03');
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
    // Every byte value in every place of the four, the others digits: the four are tested at once.
    for (std::size_t place = 0; place < 4; ++place) {
        for (int value = 0; value < 256; ++value) {
            std::string line = "[STX]frm0159[ETX]";
            line[8 + place] = static_cast<char>(value);
            bool digit = value >= '0' && value <= '9';
            EXPECT_EQ(FrameNumber(line).has_value(), digit) << place << " " << value;
        }
    }
}

TEST(Decoding, ErrorMessagesForEveryCode) {
    EXPECT_EQ(DeviceErrorMessage('1'), "命令出错! ");
    EXPECT_EQ(DeviceErrorMessage('2'), "板卡禁止写操作,请拨SW2解除写保护! ");
    EXPECT_EQ(DeviceErrorMessage('3'), "存储器不能被擦除干净! ");
    EXPECT_EQ(DeviceErrorMessage('4'), "写操作不能继续进行! ");
    for (char code : {'0', '5', 'X', '[', '\x80'}) EXPECT_EQ(DeviceErrorMessage(code), "未知错误! ") << code;
}
