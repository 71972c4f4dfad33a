// Tests of loopback address ranges and of handing out addresses whose robot port is free.
#include "match/game/address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace match {
namespace {

TEST(Address, ParsesLoopbackRanges) {
    std::optional<HostRange> r = ParseHostRange("127.0.40.1-127.0.40.250");
    ASSERT_TRUE(r);
    EXPECT_EQ(FormatAddress(r->first), "127.0.40.1");
    EXPECT_EQ(FormatAddress(r->last), "127.0.40.250");
    std::optional<HostRange> one = ParseHostRange("127.0.40.7");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->first, one->last);
    for (const char* bad : {"10.0.0.1", "127.0.40.9-127.0.40.1", "127.0.40.1-", "localhost", "127.0.40.300", ""}) {
        std::string error;
        EXPECT_FALSE(ParseHostRange(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

// A listening socket on `address`:4774 for as long as the holder lives.
class PortHolder {
public:
    explicit PortHolder(std::uint32_t address) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(kRobotPort);
        sa.sin_addr.s_addr = htonl(address);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && listen(fd_, 1) == 0;
    }
    ~PortHolder() { close(fd_); }
    bool bound() const { return bound_; }

private:
    int fd_ = -1;
    bool bound_ = false;
};

TEST(Address, PoolSkipsBusyAndTakenAddresses) {
    HostRange range = *ParseHostRange("127.0.40.201-127.0.40.203");
    PortHolder busy(range.first);
    ASSERT_TRUE(busy.bound());
    EXPECT_FALSE(PortIsFree(range.first, kRobotPort));
    AddressPool pool(range);
    std::optional<std::uint32_t> a = pool.Acquire();
    std::optional<std::uint32_t> b = pool.Acquire();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(FormatAddress(*a), "127.0.40.202");
    EXPECT_EQ(FormatAddress(*b), "127.0.40.203");
    EXPECT_FALSE(pool.Acquire());  // every address busy or taken
    pool.Release(*a);
    EXPECT_EQ(pool.Acquire(), a);
}

}  // namespace
}  // namespace match
