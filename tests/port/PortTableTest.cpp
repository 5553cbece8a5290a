#include <gtest/gtest.h>

#include "PortTable.h"

using namespace kivelo;

TEST(PortTable, PortCodeChoosesGpibBelow31AndSerialFrom31)
{
    PortTable ports("/nonexistent/kivelo-no-such-gpib.so");
    EXPECT_EQ(&ports.Select(1), &ports.GpibPort());
    EXPECT_EQ(&ports.Select(30), &ports.GpibPort());
    EXPECT_EQ(&ports.Select(0), &ports.GpibPort());
    EXPECT_EQ(&ports.Select(31), &ports.SerialPort());
    EXPECT_EQ(&ports.Select(0x25059), &ports.SerialPort());
    EXPECT_EQ(&ports.At(0), &ports.DevicePort());
    EXPECT_EQ(&ports.At(1), &ports.At(3));
    EXPECT_EQ(&ports.At(2), &ports.GpibPort());
    EXPECT_EQ(&ports.At(4), &ports.SerialPort());
    EXPECT_EQ(&ports.At(99), &ports.SerialPort());
}
