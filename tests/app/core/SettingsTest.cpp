// The settings file kivelo.stp: the record byte for byte, the load
// rules, where the file lives, and saves that never damage the older file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <functional>
#include <limits>

#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "FolderEntries.h"
#include "SettingsRecords.h"
#include "Unprivileged.h"
#include "app/core/SettingsRecord.h"
#include "app/core/SettingsRules.h"
#include "app/core/SettingsStore.h"
#include "common/TempDir.h"

namespace kivelo::app {
namespace {

using test::ChildRun;
using test::FolderEntries;
using test::FullRecord;
using test::RandomBytes;
using test::RunUnprivileged;
using test::WriteBytes;
using wavegen::ReadFileBytes;
constexpr std::size_t kSize = 11588;

uint32_t U32(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string TextIn(const std::vector<uint8_t>& b, std::size_t at, std::size_t size) {
    std::string s;
    for (std::size_t i = at; i < at + size && b[i] != 0; ++i) s.push_back(static_cast<char>(b[i]));
    return s;
}

constexpr SettingsList kLists[] = {SettingsList::Header,    SettingsList::Footer,    SettingsList::Recorder1,
                                   SettingsList::Recorder2, SettingsList::Recorder3, SettingsList::Recorder4};

// --- the record ------------------------------------------------------------

TEST(SettingsRecord, FieldsSitAtTheirByteOffsetsLittleEndian) {
    SettingsRecord r;
    r.SetCurrentDirectory("C:/dir");
    r.SetPrintNotes("notes");
    r.SetListEntry(SettingsList::Header, 2, "head2");
    r.SetListEntry(SettingsList::Footer, 15, "foot15");
    r.SetListEntry(SettingsList::Recorder1, 3, "r1s3");
    r.SetListEntry(SettingsList::Recorder2, 1, "r2s1");
    r.SetListEntry(SettingsList::Recorder3, 0, "r3s0");
    r.SetListEntry(SettingsList::Recorder4, 15, "r4s15");
    r.SetInterface(0x01020304);
    r.SetGpibAddress(0x05060708);
    r.SetSerialPort(-2);
    r.SetMainShown(11);
    r.SetZoomShown(12);
    r.SetHistoryShown(13);
    r.SetGraticuleType(14);
    r.SetLightMode(15);
    r.SetFrameRectangle({0x11223344, 2, -3, 0x7FFFFFFF});
    r.SetMainShare(0.25f);  // 0x3E800000
    r.SetXyShown(16);
    r.SetHistoryShare(-1.0f);  // 0xBF800000
    r.SetRightShare(1.0f);     // 0x3F800000
    r.SetDivisions(0x0A0B0C0D);

    TempDir dir;
    const std::string path = dir.File("kivelo.stp");
    ASSERT_TRUE(SettingsStore::Save(path, r).Ok());
    const std::vector<uint8_t> b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), kSize);

    EXPECT_EQ(TextIn(b, 0, 256), "C:/dir");
    EXPECT_EQ(TextIn(b, 256, 1024), "notes");
    EXPECT_EQ(TextIn(b, 1280 + 2 * 256, 256), "head2");
    EXPECT_EQ(TextIn(b, 5376 + 15 * 256, 256), "foot15");
    EXPECT_EQ(TextIn(b, 9536 + 3 * 16, 16), "r1s3");
    EXPECT_EQ(TextIn(b, 9792 + 1 * 48, 48), "r2s1");
    EXPECT_EQ(TextIn(b, 10560, 16), "r3s0");
    EXPECT_EQ(TextIn(b, 10816 + 15 * 48, 48), "r4s15");
    // Numbers: four bytes each, least significant first.
    const std::pair<std::size_t, uint32_t> numbers[] = {
        {9472, 0x01020304u}, {9476, 0x05060708u}, {9480, 0xFFFFFFFEu}, {9484, 11u},         {9488, 12u},
        {9492, 13u},         {9496, 14u},         {9500, 15u},         {9504, 0x11223344u}, {9508, 2u},
        {9512, 0xFFFFFFFDu}, {9516, 0x7FFFFFFFu}, {9520, 0x3E800000u}, {9524, 16u},         {9528, 0xBF800000u},
        {9532, 0x3F800000u}, {11584, 0x0A0B0C0Du}};
    for (const auto& [at, value] : numbers) EXPECT_EQ(U32(b, at), value) << at;

    // Every byte not named above is zero.
    std::size_t nonZero = 0;
    for (uint8_t v : b) nonZero += v != 0;
    // texts 6+5+5+6+4+4+4+5, interface, address, port 4 each, the five flags 1 each,
    // frame 4+1+4+4, shares 2+2+2, XY shown 1, divisions 4.
    const std::size_t named = 39 + 12 + 5 + 13 + 6 + 1 + 4;
    EXPECT_EQ(nonZero, named);
}

TEST(SettingsRecord, RoundTripKeepsEveryByte) {
    const SettingsRecord original = FullRecord();
    TempDir dir;
    const std::string path = dir.File("kivelo.stp");
    const SettingsSaveResult saved = SettingsStore::Save(path, original);
    ASSERT_TRUE(saved.Ok()) << saved.message;
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), kSize);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), original.Raw().begin()));

    SettingsRecord loaded;
    loaded.SetDivisions(99);
    ASSERT_EQ(SettingsStore::Load(path, loaded), SettingsLoadResult::Loaded);
    EXPECT_TRUE(loaded == original);
    // A list read as slots and stored back into an empty record is the same list.
    SettingsRecord copy;
    for (SettingsList list : kLists) copy.StoreList(list, loaded.ListSlots(list));
    for (SettingsList list : kLists) EXPECT_EQ(copy.ListSlots(list), loaded.ListSlots(list));
    EXPECT_EQ(copy.ListEntry(SettingsList::Recorder4, 9), "remark 9");

    // Saving the loaded record again writes the same bytes.
    ASSERT_TRUE(SettingsStore::Save(path, loaded).Ok());
    EXPECT_EQ(ReadFileBytes(path), file);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"kivelo.stp"});
}

TEST(SettingsRecord, TextsAreCutToTheirFieldAndNeverReadPastIt) {
    SettingsRecord r;
    r.SetPrintNotes(std::string(2000, 'n'));
    EXPECT_EQ(r.PrintNotes(), std::string(1023, 'n'));
    EXPECT_EQ(r.Raw()[256 + 1023], 0);
    r.SetListEntry(SettingsList::Header, 0, std::string(300, 'h'));
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 0), std::string(255, 'h'));
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 1), "");
    r.SetListEntry(SettingsList::Recorder1, 0, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(r.ListEntry(SettingsList::Recorder1, 0), "ABCDEFGHIJKLMNO");
    r.SetListEntry(SettingsList::Recorder2, 15, std::string(60, 'c'));
    EXPECT_EQ(r.ListEntry(SettingsList::Recorder2, 15), std::string(47, 'c'));
    EXPECT_EQ(r.Raw()[11583], 0);  // recorder list 4 ends before the divisions
    r.SetCurrentDirectory(std::string(256, 'd'));
    EXPECT_EQ(r.CurrentDirectory(), std::string(255, 'd'));
    // Never inside a UTF-8 character: 254 bytes and a 2-byte character don't fit 255.
    r.SetListEntry(SettingsList::Footer, 0, std::string(254, 'a') + "\xC3\xA9");
    EXPECT_EQ(r.ListEntry(SettingsList::Footer, 0), std::string(254, 'a'));
    r.SetListEntry(SettingsList::Footer, 1, std::string(253, 'a') + "\xC3\xA9");
    EXPECT_EQ(r.ListEntry(SettingsList::Footer, 1), std::string(253, 'a') + "\xC3\xA9");
    // A text stops at its first NUL; a setter clears the rest of the field.
    r.SetListEntry(SettingsList::Header, 0, std::string("ab\0cd", 5));
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 0), "ab");
    EXPECT_EQ(r.Raw()[1280 + 3], 0);
    // Slots outside 0..15 are ignored.
    r.SetListEntry(SettingsList::Header, 16, "x");
    r.SetListEntry(SettingsList::Header, -1, "x");
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 16), "");
    EXPECT_EQ(r.ListEntry(SettingsList::Footer, 0).size(), 254u);

    // Fields without a terminator read exactly to their end.
    SettingsRecord g;
    g.MutableRaw().fill('x');
    EXPECT_EQ(g.CurrentDirectory(), std::string(256, 'x'));
    EXPECT_EQ(g.PrintNotes(), std::string(1024, 'x'));
    EXPECT_EQ(g.ListEntry(SettingsList::Header, 15), std::string(256, 'x'));
    EXPECT_EQ(g.ListEntry(SettingsList::Recorder1, 0), std::string(16, 'x'));
    EXPECT_EQ(g.ListEntry(SettingsList::Recorder4, 15), std::string(48, 'x'));
}

TEST(SettingsRecord, StoreListCopiesPositionsIntoSlotsAndKeepsTheRest) {
    SettingsRecord r;
    for (int i = 0; i < 16; ++i) r.SetListEntry(SettingsList::Header, i, "old " + std::to_string(i));
    const SettingsRecord before = r;
    r.StoreList(SettingsList::Header, std::vector<std::string>{"new 0", "new 1", "new 2"});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.ListEntry(SettingsList::Header, i), "new " + std::to_string(i));
    for (int i = 3; i < 16; ++i) EXPECT_EQ(r.ListEntry(SettingsList::Header, i), "old " + std::to_string(i));
    // Only the three slots changed, the footer and everything else stayed.
    for (std::size_t at = 0; at < kSize; ++at)
        if (at < 1280 || at >= 1280 + 3 * 256) {
            ASSERT_EQ(r.Raw()[at], before.Raw()[at]) << at;
        }

    std::vector<std::string> many;
    for (int i = 0; i < 20; ++i) many.push_back("m" + std::to_string(i));
    r.StoreList(SettingsList::Recorder3, many);
    EXPECT_EQ(r.ListEntry(SettingsList::Recorder3, 15), "m15");
    EXPECT_EQ(r.ListEntry(SettingsList::Recorder4, 0), "");  // position 16 went nowhere
}

// --- load rules --------------------------------------------------------------

SettingsRecord PlainRecord() {
    SettingsRecord r;
    r.SetFrameRectangle({100, 50, 900, 650});
    r.SetDivisions(8);
    r.SetMainShare(0.6f);
    r.SetHistoryShare(0.4f);
    r.SetRightShare(0.35f);
    r.SetGpibAddress(5);
    r.SetSerialPort(2);
    r.SetInterface(1);
    return r;
}

TEST(SettingsRules, DivisionsOutsideTheListGiveTen) {
    const std::pair<int, std::pair<int, int>> cases[] = {
        {4, {4, 0}},   {8, {8, 1}},  {10, {10, 2}}, {16, {16, 3}}, {20, {20, 4}},
        {12, {10, 2}}, {0, {10, 2}}, {-4, {10, 2}}, {21, {10, 2}},
    };
    for (const auto& [stored, want] : cases) {
        SettingsRecord r = PlainRecord();
        r.SetDivisions(stored);
        const AppliedSettings a = ApplySettingsRules(r, true);
        EXPECT_EQ(a.stored->divisions, want.first) << stored;
        EXPECT_EQ(a.stored->divisionsPosition, want.second) << stored;
    }
}

TEST(SettingsRules, SharesFallBackToOneHalf) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float stored;
        double main, positive;  // what the Main share and the History/right shares become
    };
    const Case cases[] = {
        // A Main share of 0 or 1 would leave the Main or the Zoom window no height.
        {0.6f, 0.6f, 0.6f}, {0.0f, 0.5, 0.5}, {-0.0f, 0.5, 0.5},        {-0.2f, 0.5, 0.5},
        {1.0f, 0.5, 1.0},   {1.5f, 0.5, 0.5}, {nan, 0.5, 0.5},          {-nan, 0.5, 0.5},
        {inf, 0.5, 0.5},    {-inf, 0.5, 0.5}, {1e-40f, 1e-40f, 1e-40f},
    };
    for (const Case& c : cases) {
        SettingsRecord r = PlainRecord();
        r.SetMainShare(c.stored);
        r.SetHistoryShare(c.stored);
        r.SetRightShare(c.stored);
        const LayoutShares s = ApplySettingsRules(r, true).stored->shares;
        EXPECT_EQ(s.main, c.main) << c.stored;
        EXPECT_EQ(s.history, c.positive) << c.stored;
        EXPECT_EQ(s.right, c.positive) << c.stored;  // 0 gives 0.5, not the built-in 0.3
    }
    SettingsRecord r = PlainRecord();
    const LayoutShares s = ApplySettingsRules(r, true).stored->shares;
    EXPECT_EQ(s.main, 0.6f);
    EXPECT_EQ(s.history, 0.4f);
    EXPECT_EQ(s.right, 0.35f);
}

TEST(SettingsRules, MissingFileGivesGraticuleZeroAndNothingElse) {
    const AppliedSettings a = ApplySettingsRules(FullRecord(), false);
    EXPECT_EQ(a.graticuleType, 0);
    EXPECT_FALSE(a.stored.has_value());

    TempDir dir;
    SettingsRecord r = FullRecord();
    EXPECT_EQ(SettingsStore::Load(dir.File("none.stp"), r), SettingsLoadResult::Missing);
    EXPECT_TRUE(r == SettingsRecord());                                          // the record stays zero
    EXPECT_EQ(SettingsStore::Load(dir.Path(), r), SettingsLoadResult::Missing);  // a folder
    EXPECT_EQ(SettingsStore::Load("", r), SettingsLoadResult::Missing);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(SettingsStore::Load(dir.File("fifo"), r), SettingsLoadResult::Missing);  // doesn't hang
}

TEST(SettingsRules, ReadRecordGivesEveryValue) {
    const AppliedSettings a = ApplySettingsRules(FullRecord(), true);
    ASSERT_TRUE(a.stored);
    const StoredSettings& s = *a.stored;
    EXPECT_EQ(a.graticuleType, 2);
    EXPECT_EQ(s.currentDirectory, "/home/user/records");
    EXPECT_EQ(s.notes, "Notes line 1\r\nline 2");
    ASSERT_EQ(s.headerEntries.size(), 16u);
    EXPECT_EQ(s.headerEntries[15], "header 15");
    EXPECT_EQ(s.footerEntries[3], "footer 3");
    EXPECT_EQ(s.recorderLists[0][4], "F4");
    EXPECT_EQ(s.recorderLists[1][5], "comment 5");
    EXPECT_EQ(s.recorderLists[2][6], "G6");
    EXPECT_EQ(s.recorderLists[3][7], "remark 7");
    EXPECT_TRUE(s.useGpib);
    EXPECT_EQ(s.gpibAddress, 7);
    EXPECT_EQ(s.serialPort, 2);
    EXPECT_TRUE(s.mainShown);
    EXPECT_FALSE(s.zoomShown);
    EXPECT_TRUE(s.historyShown);
    EXPECT_FALSE(s.xyShown);
    EXPECT_TRUE(s.lightMode);
    EXPECT_EQ(s.divisions, 16);
    EXPECT_EQ(s.shares.main, 0.625);
    EXPECT_EQ(s.shares.history, 0.375);
    EXPECT_EQ(s.shares.right, 0.25);
}

TEST(SettingsRules, ListsSkipEmptySlotsAndFlagsFollowTheirRules) {
    SettingsRecord r = PlainRecord();
    r.SetListEntry(SettingsList::Header, 0, "first");
    r.SetListEntry(SettingsList::Header, 2, "third");
    r.SetListEntry(SettingsList::Header, 15, "last");
    r.SetListEntry(SettingsList::Recorder2, 1, "only");
    r.SetGraticuleType(3);
    r.SetLightMode(2);
    r.SetInterface(2);
    r.SetGpibAddress(31);
    r.SetSerialPort(3);
    r.SetMainShown(0);
    r.SetZoomShown(5);
    const AppliedSettings a = ApplySettingsRules(r, true);
    EXPECT_FALSE(a.graticuleType.has_value());  // no button pressed
    const StoredSettings& s = *a.stored;
    EXPECT_EQ(s.headerEntries, (std::vector<std::string>{"first", "third", "last"}));
    EXPECT_TRUE(s.footerEntries.empty());
    EXPECT_EQ(s.recorderLists[1], std::vector<std::string>{"only"});
    EXPECT_FALSE(s.currentDirectory.has_value());
    EXPECT_FALSE(s.lightMode);  // only 1 is light mode
    EXPECT_FALSE(s.useGpib);    // only 1 is GPIB
    EXPECT_EQ(s.gpibAddress, 1);
    EXPECT_EQ(s.serialPort, 1);
    EXPECT_FALSE(s.mainShown);
    EXPECT_TRUE(s.zoomShown);

    for (int type : {-1, 0, 1, 2, 3}) {
        r.SetGraticuleType(type);
        const auto t = ApplySettingsRules(r, true).graticuleType;
        EXPECT_EQ(t.has_value(), type >= 0 && type <= 2) << type;
    }
}

void ExpectSane(const AppliedSettings& a) {
    ASSERT_TRUE(a.stored);
    const StoredSettings& s = *a.stored;
    EXPECT_LE(s.notes.size(), 1024u);
    EXPECT_LE(s.headerEntries.size(), 16u);
    for (const auto& e : s.headerEntries) EXPECT_LE(e.size(), 256u);
    for (const auto& e : s.recorderLists[0]) EXPECT_LE(e.size(), 16u);
    for (const auto& e : s.recorderLists[3]) EXPECT_LE(e.size(), 48u);
    if (s.currentDirectory) {
        EXPECT_LE(s.currentDirectory->size(), 256u);
    }
    EXPECT_EQ(DivisionsPosition(s.divisions), s.divisionsPosition);
    EXPECT_TRUE(s.divisions == 4 || s.divisions == 8 || s.divisions == 10 || s.divisions == 16 || s.divisions == 20);
    for (double share : {s.shares.main, s.shares.history, s.shares.right}) {
        EXPECT_GE(share, 0.0);
        EXPECT_LE(share, 1.0);
    }
    EXPECT_GE(s.gpibAddress, 1);
    EXPECT_LE(s.gpibAddress, 30);
    EXPECT_TRUE(s.serialPort == 1 || s.serialPort == 2);
    if (a.graticuleType) {
        EXPECT_TRUE(*a.graticuleType >= 0 && *a.graticuleType <= 2);
    }
}

TEST(SettingsStore, GarbageShortAndLongFilesLoadSafely) {
    TempDir dir;
    const std::string path = dir.File("kivelo.stp");
    SettingsRecord r;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        ASSERT_TRUE(WriteBytes(path, RandomBytes(kSize, seed, 1, 255)));  // no NUL anywhere
        ASSERT_EQ(SettingsStore::Load(path, r), SettingsLoadResult::Loaded);
        const AppliedSettings a = ApplySettingsRules(r, true);
        ExpectSane(a);
        EXPECT_EQ(a.stored->notes.size(), 1024u);
        EXPECT_EQ(a.stored->headerEntries.size(), 16u);
        EXPECT_EQ(a.stored->headerEntries[0].size(), 256u);
        EXPECT_EQ(a.stored->recorderLists[1][15].size(), 48u);
    }

    // 100 bytes: the current directory's field, the rest of the record zero.
    ASSERT_TRUE(WriteBytes(path, RandomBytes(100, 3, 1, 255)));
    ASSERT_EQ(SettingsStore::Load(path, r), SettingsLoadResult::Short);
    EXPECT_EQ(r.CurrentDirectory().size(), 100u);
    for (std::size_t at = 100; at < kSize; ++at) ASSERT_EQ(r.Raw()[at], 0) << at;
    AppliedSettings a = ApplySettingsRules(r, true);
    ExpectSane(a);
    EXPECT_EQ(a.graticuleType, 0);
    EXPECT_EQ(a.stored->divisions, 10);
    EXPECT_EQ(a.stored->shares.history, 0.5);
    EXPECT_EQ(a.stored->shares.right, 0.5);
    EXPECT_TRUE(a.stored->headerEntries.empty());

    // Empty file: read, all zero.
    ASSERT_TRUE(WriteBytes(path, {}));
    EXPECT_EQ(SettingsStore::Load(path, r), SettingsLoadResult::Short);
    EXPECT_TRUE(r == SettingsRecord());
    ExpectSane(ApplySettingsRules(r, true));

    // Longer file: its first 11,588 bytes.
    const std::vector<uint8_t> longer = RandomBytes(kSize + 5000, 9);
    ASSERT_TRUE(WriteBytes(path, longer));
    ASSERT_EQ(SettingsStore::Load(path, r), SettingsLoadResult::Loaded);
    EXPECT_TRUE(std::equal(r.Raw().begin(), r.Raw().end(), longer.begin()));
    ExpectSane(ApplySettingsRules(r, true));
}

// --- exit fields ----------------------------------------------------------------

TEST(SettingsRules, ExitFieldsGoIntoTheRecordAndComeBack) {
    SettingsRecord r = FullRecord();
    const SettingsRecord before = r;
    ExitSettings e;
    e.currentDirectory = "/data/run";
    e.notes = std::string(1500, 'q');
    e.useGpib = false;
    e.gpibAddress = 12;
    e.serialPort = 1;
    e.mainShown = false;
    e.zoomShown = true;
    e.historyShown = false;
    e.xyShown = true;
    e.lightMode = false;
    e.shares = {0.7, 0.2, 0.45};
    WriteExitSettings(e, r);
    EXPECT_EQ(r.Interface(), 0);  // the bytes written, not only what the rules read back
    EXPECT_EQ(r.MainShown(), 0);
    EXPECT_EQ(r.XyShown(), 1);
    EXPECT_EQ(r.LightMode(), 0);
    EXPECT_EQ(r.GraticuleType(), 2);  // not chosen: kept
    EXPECT_EQ(r.Divisions(), 16);
    EXPECT_EQ(r.ListEntry(SettingsList::Header, 4), before.ListEntry(SettingsList::Header, 4));
    EXPECT_EQ(r.FrameRectangle(), before.FrameRectangle());

    const StoredSettings s = *ApplySettingsRules(r, true).stored;
    EXPECT_EQ(s.currentDirectory, "/data/run");
    EXPECT_EQ(s.notes, std::string(1023, 'q'));
    EXPECT_FALSE(s.useGpib);
    EXPECT_EQ(s.gpibAddress, 12);
    EXPECT_EQ(s.serialPort, 1);
    EXPECT_FALSE(s.mainShown);
    EXPECT_TRUE(s.zoomShown);
    EXPECT_FALSE(s.historyShown);
    EXPECT_TRUE(s.xyShown);
    EXPECT_FALSE(s.lightMode);
    EXPECT_EQ(s.shares.main, 0.7f);
    EXPECT_EQ(s.shares.right, 0.2f);
    EXPECT_EQ(s.shares.history, 0.45f);

    e.graticuleType = 1;
    e.divisions = 4;
    e.useGpib = true;
    e.currentDirectory = "/" + std::string(255, 'p');  // 256 bytes: doesn't fit, isn't cut
    WriteExitSettings(e, r);
    EXPECT_EQ(r.GraticuleType(), 1);
    EXPECT_EQ(r.Divisions(), 4);
    EXPECT_EQ(r.Interface(), 1);
    EXPECT_EQ(r.CurrentDirectory(), "");
    EXPECT_FALSE(ApplySettingsRules(r, true).stored->currentDirectory);
}

// --- where the file lives ---------------------------------------------------------

struct PathFixture {
    TempDir dir;
    std::string exe, xdg, home;
    PathFixture() {
        ::chmod(dir.Path().c_str(), 0755);  // the unprivileged child must get in
        exe = dir.File("bin");
        xdg = dir.File("xdg");
        home = dir.File("home");
        ::mkdir(exe.c_str(), 0755);
    }
    SettingsPathInputs Inputs() const {
        SettingsPathInputs in;
        in.exeDirectory = exe;
        in.xdgConfigHome = xdg;
        in.home = home;
        in.workingDirectory = "/work/dir";
        return in;
    }
};

// The first place that fits: the file named explicitly, beside a writable
// executable that is not installed, the config folder, the home folder's, and
// beside the executable or in the working directory when there is no other.
TEST(SettingsPath, FirstFittingPlace) {
    PathFixture f;
    const std::string missing = f.dir.File("no-such-folder");
    const struct {
        const char* what;
        std::function<void(SettingsPathInputs&)> change;
        std::string path;
    } cases[] = {
        {"explicit", [](auto& in) { in.kiveloSettings = "/etc/kivelo/mine.stp"; }, "/etc/kivelo/mine.stp"},
        {"explicit, relative to the start's working directory", [](auto& in) { in.kiveloSettings = "rel/mine.stp"; },
         "/work/dir/rel/mine.stp"},
        {"explicit but empty counts as unset", [](auto& in) { in.kiveloSettings = ""; }, f.exe + "/kivelo.stp"},
        {"beside a writable executable", [](auto&) {}, f.exe + "/kivelo.stp"},
        {"executable folder with a slash", [&](auto& in) { in.exeDirectory = f.exe + "/"; }, f.exe + "/kivelo.stp"},
        // Writable for root, still not one user's folder.
        {"installed", [](auto& in) { in.exeDirectory = "/usr/bin"; }, f.xdg + "/kivelo/kivelo.stp"},
        {"no executable folder", [&](auto& in) { in.exeDirectory = missing; }, f.xdg + "/kivelo/kivelo.stp"},
        {"no config folder", [&](auto& in) { in.exeDirectory = missing, in.xdgConfigHome.reset(); },
         f.home + "/.config/kivelo/kivelo.stp"},
        {"empty config folder", [&](auto& in) { in.exeDirectory = missing, in.xdgConfigHome = ""; },
         f.home + "/.config/kivelo/kivelo.stp"},
        {"relative config folder", [&](auto& in) { in.exeDirectory = missing, in.xdgConfigHome = "relative/config"; },
         f.home + "/.config/kivelo/kivelo.stp"},
        {"no home either", [&](auto& in) { in.exeDirectory = missing, in.xdgConfigHome.reset(), in.home.reset(); },
         missing + "/kivelo.stp"},
        {"nothing but the working directory",
         [](auto& in) { in.exeDirectory.clear(), in.xdgConfigHome.reset(), in.home.reset(); }, "/work/dir/kivelo.stp"},
    };
    for (const auto& c : cases) {
        SettingsPathInputs in = f.Inputs();
        c.change(in);
        EXPECT_EQ(SettingsStore::ResolvePath(in), c.path) << c.what;
    }
}

TEST(SettingsPath, ReadOnlyExecutableFolderGoesToTheConfigFolder) {
    PathFixture f;
    ASSERT_EQ(::chmod(f.exe.c_str(), 0555), 0);
    const SettingsPathInputs in = f.Inputs();
    SettingsPathInputs noXdg = in;
    noXdg.xdgConfigHome.reset();
    const ChildRun run = RunUnprivileged([&](std::string&) {
        if (::access(in.exeDirectory.c_str(), W_OK) == 0) return 3;
        if (SettingsStore::ResolvePath(in) != f.xdg + "/kivelo/kivelo.stp") return 1;
        if (SettingsStore::ResolvePath(noXdg) != f.home + "/.config/kivelo/kivelo.stp") return 2;
        return 0;
    });
    if (run.code == ChildRun::kCannotDrop) GTEST_SKIP() << "cannot drop root privileges";
    EXPECT_EQ(run.code, 0);

    // A writable folder with a read-only settings file in it: the file is not taken.
    ASSERT_EQ(::chmod(f.exe.c_str(), 0777), 0);
    ASSERT_TRUE(WriteBytes(f.exe + "/kivelo.stp", {1, 2, 3}));
    ASSERT_EQ(::chmod((f.exe + "/kivelo.stp").c_str(), 0444), 0);
    EXPECT_EQ(RunUnprivileged([&](std::string&) {
                  return SettingsStore::ResolvePath(in) == f.xdg + "/kivelo/kivelo.stp" ? 0 : 1;
              }).code,
              0);
}

TEST(SettingsPath, VariablesFromTheLookupAndTheRealExecutable) {
    const auto lookup = [](const char* name) -> const char* {
        return std::string_view(name) == "KIVELO_SETTINGS" ? "/tmp/explicit.stp" : nullptr;
    };
    EXPECT_EQ(SettingsStore::ResolvePath(lookup), "/tmp/explicit.stp");

    const std::string exeDir = SettingsStore::ExecutableDirectory();
    ASSERT_FALSE(exeDir.empty());
    EXPECT_EQ(::access((exeDir + "/appcore_settings_tests").c_str(), X_OK), 0) << exeDir;
    const SettingsPathInputs in = SettingsStore::Inputs([](const char*) { return nullptr; }, exeDir);
    EXPECT_EQ(in.exeDirectory, exeDir);
    EXPECT_FALSE(in.kiveloSettings);
}

// --- saving ---------------------------------------------------------------------

TEST(SettingsStore, SaveCreatesTheConfigFolder) {
    TempDir dir;
    const std::string path = dir.File("config/kivelo/kivelo.stp");
    const SettingsSaveResult r = SettingsStore::Save(path, SettingsRecord());
    ASSERT_TRUE(r.Ok()) << r.message;
    EXPECT_EQ(ReadFileBytes(path), std::vector<uint8_t>(kSize, 0));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("config/kivelo").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SettingsStore, FailedSavesLeaveTheOldFile) {
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const std::string folder = dir.File("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    const std::string path = folder + "/kivelo.stp";
    const std::vector<uint8_t> old = RandomBytes(kSize, 5);
    ASSERT_TRUE(WriteBytes(path, old));
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    // A folder that can't be written: the message names it.
    const ChildRun run = RunUnprivileged([&](std::string& said) {
        const SettingsSaveResult r = SettingsStore::Save(path, FullRecord());
        said = r.message;
        return r.Ok() ? 1 : 0;
    });
    if (run.code == ChildRun::kCannotDrop) GTEST_SKIP() << "cannot drop root privileges";
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.said.find(folder), std::string::npos) << run.said;
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"kivelo.stp"});

    // A full disk half-way through: the old file stays, no temporary file remains.
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    {
        FileSizeLimit limit(4096);
        const SettingsSaveResult r = SettingsStore::Save(path, FullRecord());
        EXPECT_FALSE(r.Ok());
        EXPECT_FALSE(r.message.empty());
    }
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"kivelo.stp"});

    // A parent "folder" that is a file.
    const SettingsSaveResult r = SettingsStore::Save(path + "/inside.stp", FullRecord());
    EXPECT_FALSE(r.Ok());
    EXPECT_NE(r.message.find("Not a folder"), std::string::npos) << r.message;
    EXPECT_EQ(ReadFileBytes(path), old);
}

TEST(SettingsStore, SaveThroughASymbolicLinkKeepsTheLink) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0755), 0);
    ASSERT_TRUE(WriteBytes(dir.File("real/kivelo.stp"), {1, 2, 3}));
    ASSERT_EQ(::symlink("real/kivelo.stp", dir.File("link.stp").c_str()), 0);
    ASSERT_TRUE(SettingsStore::Save(dir.File("link.stp"), FullRecord()).Ok());
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.stp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(dir.File("real/kivelo.stp")).size(), kSize);

    // A link to a file not yet there creates the file it names.
    ASSERT_EQ(::symlink("real/new.stp", dir.File("dangling.stp").c_str()), 0);
    ASSERT_TRUE(SettingsStore::Save(dir.File("dangling.stp"), FullRecord()).Ok());
    EXPECT_EQ(ReadFileBytes(dir.File("real/new.stp")).size(), kSize);
}

}  // namespace
}  // namespace kivelo::app
