#include <gtest/gtest.h>

#include "SerialSettings.h"

using namespace kivelo;

namespace {

// Word with the given fields (raw field values, not indexes).
uint32_t Word(uint32_t port, uint32_t byteSize, uint32_t stopBits, uint32_t parity, uint32_t flow,
              uint32_t baud, uint32_t delay = 0)
{
    return port | byteSize << 2 | stopBits << 4 | parity << 6 | flow | baud << 14 | delay << 18;
}

}  // namespace

TEST(SerialConfigWord, TheTwoWordsOfTheCommunicationSetup)
{
    SerialSettings com1;
    ASSERT_TRUE(com1.ApplyConfigWord(kSerialWordCom1));
    EXPECT_EQ(com1.portIndex, 0);
    EXPECT_EQ(com1.Baud(), 19200);
    EXPECT_EQ(com1.ByteSize(), 8);
    EXPECT_EQ(com1.parityIndex, 0);
    EXPECT_EQ(com1.stopBitsIndex, 0);
    EXPECT_TRUE(com1.ctsRts);
    EXPECT_FALSE(com1.xonXoff);
    EXPECT_FALSE(com1.dsrDtr);
    EXPECT_EQ(com1.charDelayMs, 0);

    SerialSettings com2;
    ASSERT_TRUE(com2.ApplyConfigWord(kSerialWordCom2));
    EXPECT_EQ(com2.portIndex, 1);
    EXPECT_EQ(com2.Baud(), 19200);
    EXPECT_EQ(Word(1, 2, 1, 1, 0x1000, 9), kSerialWordCom1);
}

TEST(SerialConfigWord, ZeroFieldsKeepTheCurrentSettings)
{
    SerialSettings s;
    ASSERT_TRUE(s.ApplyConfigWord(Word(3, 1, 3, 5, 0x0800, 2)));
    EXPECT_EQ(s.portIndex, 1);  // 3 also means COM2
    EXPECT_EQ(s.ByteSize(), 7);
    EXPECT_EQ(s.stopBitsIndex, 2);
    EXPECT_EQ(s.parityIndex, 4);
    EXPECT_EQ(s.Baud(), 300);
    EXPECT_TRUE(s.xonXoff);

    ASSERT_TRUE(s.ApplyConfigWord(Word(0, 0, 0, 0, 0, 0, 7)));
    EXPECT_EQ(s.portIndex, 1);
    EXPECT_EQ(s.ByteSize(), 7);
    EXPECT_EQ(s.stopBitsIndex, 2);
    EXPECT_EQ(s.parityIndex, 4);
    EXPECT_EQ(s.Baud(), 300);
    EXPECT_TRUE(s.xonXoff);
    EXPECT_EQ(s.charDelayMs, 7);

    // A fresh port starts on COM1 at 9600 8N1 without flow control.
    SerialSettings fresh;
    ASSERT_TRUE(fresh.ApplyConfigWord(0));
    EXPECT_EQ(fresh.portIndex, 0);
    EXPECT_EQ(fresh.Baud(), 9600);
    EXPECT_EQ(fresh.ByteSize(), 8);
}

TEST(SerialConfigWord, FlowControlField)
{
    SerialSettings s;
    ASSERT_TRUE(s.ApplyConfigWord(Word(1, 0, 0, 0, 0x0C00, 0)));
    EXPECT_TRUE(s.dsrDtr);
    EXPECT_FALSE(s.ctsRts);
    ASSERT_TRUE(s.ApplyConfigWord(Word(1, 0, 0, 0, 0x1000, 0)));
    EXPECT_TRUE(s.ctsRts);
    EXPECT_FALSE(s.dsrDtr);
    ASSERT_TRUE(s.ApplyConfigWord(Word(1, 0, 0, 0, 0x0400, 0)));  // anything else: none
    EXPECT_FALSE(s.ctsRts || s.dsrDtr || s.xonXoff);
}

TEST(SerialConfigWord, DelayTakesTheTopFifteenBits)
{
    SerialSettings s;
    ASSERT_TRUE(s.ApplyConfigWord(kSerialWordCom1 | 250u << 18));
    EXPECT_EQ(s.charDelayMs, 250);
    ASSERT_TRUE(s.ApplyConfigWord(kSerialWordCom1 | 0xFFFC0000u));
    EXPECT_EQ(s.charDelayMs, 0x3FFF);
    ASSERT_TRUE(s.ApplyConfigWord(kSerialWordCom1));
    EXPECT_EQ(s.charDelayMs, 0);
}

TEST(SerialConfigWord, FieldsOutsideTheTablesInvalidateTheWordAndChangeNothing)
{
    SerialSettings s;
    ASSERT_TRUE(s.ApplyConfigWord(kSerialWordCom2));
    const uint32_t bad[] = {
        Word(1, 3, 0, 0, 0, 0),   // byte size index 2
        Word(1, 0, 0, 6, 0, 0),   // parity index 5
        Word(1, 0, 0, 0, 0, 12),  // baud index 11
        Word(1, 0, 0, 0, 0, 15),
    };
    for (uint32_t word : bad) {
        EXPECT_FALSE(s.ApplyConfigWord(word)) << std::hex << word;
        EXPECT_EQ(s.portIndex, 1);
        EXPECT_EQ(s.Baud(), 19200);
        EXPECT_EQ(s.ByteSize(), 8);
        EXPECT_EQ(s.parityIndex, 0);
    }
    EXPECT_TRUE(s.ApplyConfigWord(Word(1, 0, 0, 0, 0, 11)));
    EXPECT_EQ(s.Baud(), 56000);
}

TEST(SerialConfigWord, SeparateParameters)
{
    SerialSettings s;
    ASSERT_TRUE(s.ApplyParameters(2, 1, 3, 2, 10, 2));
    EXPECT_EQ(s.portIndex, 1);
    EXPECT_EQ(s.ByteSize(), 7);
    EXPECT_EQ(s.stopBitsIndex, 2);
    EXPECT_EQ(s.parityIndex, 1);
    EXPECT_EQ(s.Baud(), 38400);
    EXPECT_TRUE(s.xonXoff);
    ASSERT_TRUE(s.ApplyParameters(1, 0, 0, 0, 0, 4));
    EXPECT_EQ(s.portIndex, 0);
    EXPECT_EQ(s.Baud(), 38400);
    EXPECT_TRUE(s.ctsRts);
    EXPECT_FALSE(s.xonXoff);
    EXPECT_FALSE(s.ApplyParameters(1, -1, 0, 0, 0, 0));
    EXPECT_FALSE(s.ApplyParameters(1, 0, 0, 0, 12, 0));
    EXPECT_EQ(s.Baud(), 38400);
}
