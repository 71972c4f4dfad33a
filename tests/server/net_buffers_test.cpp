// Line framing and size limits of the client buffers, fed byte chunks directly.
#include "server/net_buffers.h"

#include <gtest/gtest.h>

namespace gs {
namespace {

using Lines = std::vector<std::string>;

// Feeds the chunks one after another and collects lines until the buffer wants more or refuses.
struct Framed {
    Lines lines;
    bool too_long = false;
};

Framed Frame(const std::vector<std::string>& chunks) {
    InputBuffer in;
    Framed framed;
    std::string line;
    for (const std::string& chunk : chunks) {
        in.Append(chunk.data(), chunk.size());
        for (InputBuffer::Next next; (next = in.TakeLine(line)) != InputBuffer::Next::kNeedMore;) {
            if (next == InputBuffer::Next::kTooLong) {
                framed.too_long = true;
                return framed;
            }
            framed.lines.push_back(line);
        }
    }
    return framed;
}

struct FramingCase {
    const char* label;
    std::vector<std::string> chunks;
    Lines lines;
    bool too_long;
};

TEST(InputBuffer, Framing) {
    const std::string limit(kMaxLineBytes, 'x');
    const FramingCase cases[] = {
        {"one line", {"abc\n"}, {"abc"}, false},
        {"CR before LF dropped", {"abc\r\n"}, {"abc"}, false},
        {"lone CR kept", {"a\rb\n"}, {"a\rb"}, false},
        {"blank lines skipped", {"\n\r\n\na\n\n"}, {"a"}, false},
        {"split across chunks", {"ab", "c\r", "\nd", "e\n"}, {"abc", "de"}, false},
        {"unterminated tail waits", {"a\nb"}, {"a"}, false},
        {"NUL bytes kept", {std::string("a\0b\n", 4)}, {std::string("a\0b", 3)}, false},
        {"line at the limit", {limit + "\n"}, {limit}, false},
        {"limit plus CR", {limit + "\r\n"}, {limit}, false},
        {"limit plus CR, LF still to come", {limit + "\r", "\n"}, {limit}, false},
        {"one byte over", {"ok\n" + limit + "y\n"}, {"ok"}, true},
        {"over the limit before any LF", {limit, "yy"}, {}, true},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.label);
        const Framed framed = Frame(c.chunks);
        EXPECT_EQ(framed.lines, c.lines);
        EXPECT_EQ(framed.too_long, c.too_long);
    }
}

TEST(InputBuffer, UnreadInputPastTheLimitIsReported) {
    InputBuffer in;
    const std::string lines(kMaxInputBytes, '\n');
    in.Append(lines.data(), lines.size());
    EXPECT_FALSE(in.OverLimit());
    in.Append("a", 1);
    EXPECT_TRUE(in.OverLimit());
    std::string line;
    EXPECT_EQ(in.TakeLine(line), InputBuffer::Next::kNeedMore);  // blank lines consumed
    EXPECT_FALSE(in.OverLimit());
}

TEST(OutputBuffer, KeepsUnwrittenBytesInOrderAndCountsTheBacklog) {
    OutputBuffer out;
    out.PushLine("hello");
    out.PushLine("world");
    out.Consume(3);
    EXPECT_EQ(std::string(out.Data(), out.Pending()), "lo\nworld\n");
    out.PushLine("!");
    out.Consume(5);
    EXPECT_EQ(std::string(out.Data(), out.Pending()), "rld\n!\n");
    out.PushLine(std::string(kMaxOutputBytes, 'x'));
    EXPECT_TRUE(out.OverLimit());
}

}  // namespace
}  // namespace gs
