#include "tlx/port_probe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "fixtures.h"
#include "framing.h"
#include "pseudo_terminal.h"
#include "tlx/port_map.h"

namespace {

using vodex::test::PseudoTerminal;

class PortMap : public vodex::test::HomeTest {};

TEST_F(PortMap, DefaultsCoverBuiltInPortsAndUsbAdapters) {
    EXPECT_EQ(tlx::PortDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(tlx::PortDevicePath(4), "/dev/ttyS3");
    EXPECT_EQ(tlx::PortDevicePath(5), "/dev/ttyUSB0");
    EXPECT_EQ(tlx::PortDevicePath(20), "/dev/ttyUSB15");
    EXPECT_EQ(tlx::PortDevicePath(21), "/dev/ttyACM0");
    EXPECT_EQ(tlx::PortDevicePath(32), "/dev/ttyACM11");
    EXPECT_EQ(tlx::PortDevicePath(0), "");
    EXPECT_EQ(tlx::PortDevicePath(33), "");
}

TEST_F(PortMap, ANumberCanNameAnyPathAndGoBack) {
    tlx::SetPortDevicePath(3, "/dev/serial/by-id/usb-Messwandler-if00");
    EXPECT_EQ(tlx::PortDevicePath(3), "/dev/serial/by-id/usb-Messwandler-if00");
    EXPECT_EQ(tlx::PortDevicePath(2), "/dev/ttyS1");
    EXPECT_TRUE(tlx::ResetPortDevicePath(3));
    EXPECT_FALSE(tlx::ResetPortDevicePath(3));
    EXPECT_EQ(tlx::PortDevicePath(3), "/dev/ttyS2");
    EXPECT_THROW(tlx::SetPortDevicePath(33, "/dev/x"), tlx::Error);
    EXPECT_THROW(tlx::SetPortDevicePath(1, ""), tlx::Error);
}

TEST_F(PortMap, OnlySerialDevicesArePresent) {
    PseudoTerminal pty;
    tlx::SetPortDevicePath(7, pty.Path());
    tlx::SetPortDevicePath(8, "/dev/null");  // a character device, but no terminal
    tlx::SetPortDevicePath(9, home.File("regular"));
    vodex::test::WriteBytes(home.File("regular"), "x");
    tlx::SetPortDevicePath(10, home.File("missing"));
    const tlx::cls_CorePortProbe probe;
    EXPECT_TRUE(probe.PRESENT(7));
    EXPECT_FALSE(probe.PRESENT(8));
    EXPECT_FALSE(probe.PRESENT(9));
    EXPECT_FALSE(probe.PRESENT(10));
    EXPECT_FALSE(probe.PRESENT(0));
    EXPECT_FALSE(probe.PRESENT(-1));
    EXPECT_FALSE(probe.PRESENT(33));
    pty.Unplug();
    EXPECT_FALSE(probe.PRESENT(7));
}

TEST_F(PortMap, ProbingNeverTakesTheControllingTerminal) {
    PseudoTerminal pty;
    // A session leader without a terminal would take the first terminal it opens.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setsid() < 0) ::_exit(2);
        if (!tlx::cls_CorePortProbe::IsSerialDevice(pty.Path())) ::_exit(3);
        const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY);
        ::_exit(tty < 0 && errno == ENXIO ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the probe took the terminal; 3: no terminal found";
}

TEST_F(PortMap, OtherCharacterDevicesAreNeverOpened) {
    // /dev/zero and /dev/full are character devices outside the terminal subsystem.
    EXPECT_FALSE(tlx::cls_CorePortProbe::IsSerialDevice("/dev/zero"));
    EXPECT_FALSE(tlx::cls_CorePortProbe::IsSerialDevice("/dev/full"));
    EXPECT_FALSE(tlx::cls_CorePortProbe::IsSerialDevice(""));
}

}  // namespace
