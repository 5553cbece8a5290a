// kivelo.stp as the program meets it at start: validation of every field, and
// what is kept aside, applied or left alone for each kind of damage.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "FileBytes.h"
#include "SettingsRecords.h"
#include "app/core/SettingsCheck.h"
#include "app/core/SettingsStore.h"
#include "common/TempDir.h"

namespace kivelo::app {
namespace {

using wavegen::ReadFileBytes;
using namespace test;

struct DamageCase {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;  // the file's content
    bool apply;                                   // its values are used
    const char* keptAs;                           // name of the copy kept aside, none: nullptr
    std::vector<std::string> badFields;           // what the check repaired (applied records only)
};

// clang-format off
const DamageCase kCases[] = {
    {"AsWritten", [] { return Bytes(FullRecord()); }, true, nullptr, {}},
    {"Empty", [] { return std::vector<uint8_t>(); }, false, nullptr, {}},
    {"RandomBytes", [] { return RandomBytes(SettingsRecord::kSize, 11588); }, false, ".damaged", {}},
    {"CutShort", [] { auto b = Bytes(FullRecord()); b.resize(5000); return b; }, false, ".damaged", {}},
    {"Oversized", [] { auto b = Bytes(FullRecord()); b.resize(b.size() + 4096, 'x'); return b; }, true, ".damaged", {}},
    {"ThreeFieldsOut", [] {
         SettingsRecord r = FullRecord();
         r.SetGpibAddress(99);
         r.SetMainShare(std::numeric_limits<float>::quiet_NaN());
         r.SetDivisions(12);
         return Bytes(r);
     }, true, nullptr, {"GPIB address", "divisions", "Main height share"}},
    {"UnterminatedNotesAndControlCharacters", [] {
         SettingsRecord r = FullRecord();
         std::memset(r.MutableRaw().data() + 256, 'n', 1024);        // notes without terminator
         r.SetListEntry(SettingsList::Footer, 3, "bell\a");           // a control character
         return Bytes(r);
     }, true, nullptr, {"print notes", "footer list"}},
    {"FiveFieldsOut", [] {
         SettingsRecord r = FullRecord();
         r.SetInterface(7);
         r.SetSerialPort(-3);
         r.SetGraticuleType(9);
         r.SetLightMode(2);
         r.SetRightShare(std::numeric_limits<float>::infinity());
         return Bytes(r);
     }, false, ".damaged", {}},
};
// clang-format on

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class SettingsDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SettingsDamage, StartsNormallyAndLosesNothing) {
    const DamageCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("kivelo.stp");
    const std::vector<uint8_t> content = c.bytes();
    ASSERT_TRUE(WriteBytes(path, content));
    SettingsRecord record;
    const SettingsOpening o = SettingsStore::Open(path, record);
    EXPECT_EQ(o.apply, c.apply);
    EXPECT_TRUE(o.mayOverwrite);
    EXPECT_EQ(o.keptAs, c.keptAs ? path + c.keptAs : std::string());
    if (c.keptAs) {
        EXPECT_EQ(ReadFileBytes(o.keptAs), content);  // byte for byte
        EXPECT_NE(o.notice.find("kept as " + o.keptAs), std::string::npos) << o.notice;
    } else {
        EXPECT_EQ(o.notice, "");
    }
    if (!c.apply) {
        EXPECT_EQ(record, SettingsRecord()) << "the defaults";
        if (c.keptAs) {
            EXPECT_NE(o.notice.find("the defaults are used"), std::string::npos) << o.notice;
        }
        return;
    }
    // What was applied passes the check untouched.
    SettingsRecord again = record;
    EXPECT_TRUE(CheckSettings(again).badFields.empty());
    SettingsRecord fresh;
    ASSERT_NE(SettingsStore::Load(path, fresh), SettingsLoadResult::Missing);
    EXPECT_EQ(CheckSettings(fresh).badFields, c.badFields);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsDamage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(SettingsDamage, RepairedFieldsTakeTheirDefaults) {
    SettingsRecord r = FullRecord();
    r.SetGpibAddress(99);
    r.SetMainShare(std::numeric_limits<float>::quiet_NaN());
    r.SetListEntry(SettingsList::Footer, 3, "bell\a");
    CheckSettings(r);
    EXPECT_EQ(r.GpibAddress(), 1);
    EXPECT_EQ(r.MainShare(), 0.5f);
    EXPECT_EQ(r.ListEntry(SettingsList::Footer, 3), "");
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 0), "Bench 3 \xc2\xb5V");  // UTF-8 is printable
    EXPECT_EQ(r.Divisions(), 16);
}

TEST(SettingsDamage, AnExistingCopyIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.File("kivelo.stp");
    const std::vector<uint8_t> first = RandomBytes(SettingsRecord::kSize, 11588);
    ASSERT_TRUE(WriteBytes(path + ".damaged", {'o', 'l', 'd'}));
    ASSERT_TRUE(WriteBytes(path, first));
    SettingsRecord record;
    EXPECT_EQ(SettingsStore::Open(path, record).keptAs, path + ".damaged.1");
    EXPECT_EQ(SettingsStore::Open(path, record).keptAs, path + ".damaged.2");
    EXPECT_EQ(ReadFileBytes(path + ".damaged"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(ReadFileBytes(path + ".damaged.2"), first);
}

// What cannot be read is not replaced at exit: a FIFO, a folder.
TEST(SettingsDamage, WhatCannotBeReadIsLeftAlone) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.stp").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.stp").c_str(), 0700), 0);
    for (const std::string name : {"fifo.stp", "folder.stp"}) {
        SettingsRecord record;
        const SettingsOpening o = SettingsStore::Open(dir.File(name), record);
        EXPECT_FALSE(o.apply) << name;
        EXPECT_FALSE(o.mayOverwrite) << name;
        EXPECT_NE(o.notice.find("not a regular file"), std::string::npos) << o.notice;
    }
    SettingsRecord record;
    const SettingsOpening none = SettingsStore::Open(dir.File("none.stp"), record);
    EXPECT_TRUE(none.mayOverwrite);
    EXPECT_EQ(none.notice, "");
}

}  // namespace
}  // namespace kivelo::app
