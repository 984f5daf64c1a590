#include "platform/serial_termios.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    SerialLine line;
    bool flow_on;
    speed_t speed;
    tcflag_t cflag_set, cflag_clear, iflag_set, iflag_clear;
};

TEST(SerialTermios, EverySettingLandsInItsFlags) {
    const tcflag_t parity_bits = PARENB | PARODD | CMSPAR;
    const Case cases[] = {
        {{600, 8, 0, 0, false, false}, true, B600, CS8 | CLOCAL | CREAD, parity_bits | CSTOPB | CRTSCTS, 0,
         IXON | IXOFF},
        {{9600, 7, 1, 2, false, false}, true, B9600, CS7 | PARENB | PARODD | CSTOPB, CMSPAR | CRTSCTS, 0, IXON | IXOFF},
        {{19200, 8, 2, 1, false, false}, true, B19200, CS8 | PARENB | CSTOPB, PARODD | CMSPAR, 0, 0},
        {{115200, 5, 3, 0, false, false}, true, B115200, PARENB | PARODD | CMSPAR, CSTOPB | CSIZE, 0, 0},
        {{57600, 6, 4, 0, false, false}, true, B57600, CS6 | PARENB | CMSPAR, PARODD, 0, 0},
        {{12345, 8, 0, 0, true, false}, true, B19200, CS8 | CRTSCTS, 0, 0, IXON | IXOFF},
        {{38400, 8, 0, 0, true, false}, false, B38400, 0, CRTSCTS, 0, IXON},
        {{2400, 8, 0, 0, false, true}, true, B2400, 0, CRTSCTS, IXON | IXOFF, 0},
        // Flow off for real-time bytes: the printer's XOFF no longer stops us,
        // ours to the printer still works.
        {{4800, 8, 0, 0, false, true}, false, B4800, 0, CRTSCTS, IXOFF, IXON},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.bits_per_second);
        struct termios t {};
        t.c_lflag = ECHO | ICANON;
        t.c_oflag = OPOST;
        serial_line_termios(c.line, c.flow_on, t);
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & c.cflag_set, c.cflag_set);
        if (c.cflag_set & CSIZE) {
            EXPECT_EQ(t.c_cflag & CSIZE, c.cflag_set & CSIZE);
        }
        EXPECT_EQ(t.c_cflag & c.cflag_clear, 0u);
        EXPECT_EQ(t.c_iflag & c.iflag_set, c.iflag_set);
        EXPECT_EQ(t.c_iflag & c.iflag_clear, 0u);
        EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);  // raw
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cc[VMIN], 1);
    }
}

}  // namespace
