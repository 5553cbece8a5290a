// Hostile files given to the open flow: each case is a file a user could point
// the program at; none may hang or crash, each failure names its file and cause,
// and a data file shorter than its header says opens with a warning.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "Unprivileged.h"
#include "WaveFileFixture.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::test {
namespace {

constexpr int kSamples = 5000;

// Four 2-byte traces of kSamples samples in the "Trace" layout.
HeaderDesc FourTraces() {
    GroupDesc g;
    g.names = {"CH1", "CH2", "CH3", "CH4"};
    g.types = {"IS2", "IS2", "IS2", "IS2"};
    g.sizes = {std::vector<int>(4, kSamples)};
    HeaderDesc desc;
    desc.groups = {g};
    return desc;
}

struct HostileCase {
    const char* name;
    // Makes the files in the folder; returns the path to open.
    std::function<std::string(WaveFileFixture&, const TempDir&)> make;
    bool opens;
    // Parts of the failure's cause, or of the warning when it opens.
    std::vector<std::string> says;
};

std::string Header(const TempDir& dir, const std::string& text) {
    std::ofstream(dir.File("x.hdr"), std::ios::binary) << text;
    return dir.File("x.wvf");
}

std::string Data(const TempDir& dir, std::size_t bytes) {
    std::ofstream(dir.File("x.wvf"), std::ios::binary) << std::string(bytes, '\x01');
    return dir.File("x.wvf");
}

const std::string kFull = HeaderText(FourTraces());

// clang-format off
const HostileCase kCases[] = {
    {"FifoNamedWvf", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         EXPECT_EQ(::mkfifo(d.File("x.wvf").c_str(), 0600), 0);
         return d.File("x.wvf");
     }, false, {"x.wvf: not a regular file (a named pipe)"}},
    {"FolderNamedWvf", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         std::filesystem::create_directory(d.File("x.wvf"));
         return d.File("x.wvf");
     }, false, {"x.wvf: not a regular file (a folder)"}},
    {"CharDeviceZeroViaSymlink", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         std::filesystem::create_symlink("/dev/zero", d.File("x.wvf"));
         return d.File("x.wvf");
     }, false, {"x.wvf: not a regular file (a character device)"}},
    {"FifoNamedHdr", [](WaveFileFixture&, const TempDir& d) {
         EXPECT_EQ(::mkfifo(d.File("x.hdr").c_str(), 0600), 0);
         return Data(d, 4 * 2 * kSamples);
     }, false, {"x.hdr: not a regular file (a named pipe)"}},
    {"ZeroByteData", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         return Data(d, 0);
     }, false, {"x.wvf: holds no samples (0 bytes, its header describes 40000 from byte 0)"}},
    {"TruncatedDataMidThirdTrace", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         return Data(d, 2 * 2 * kSamples + 1000);
     }, true, {"holds 21000 of the 40000 bytes", "W3 has 500 of 5000 samples in block 0", "W4 has nothing in block 0"}},
    {"MissingHeader", [](WaveFileFixture&, const TempDir& d) { return Data(d, 100); },
     false, {"x.hdr: no such file"}},
    {"MissingDataFile", [](WaveFileFixture&, const TempDir& d) { return Header(d, kFull); },
     false, {"x.wvf: no such file"}},
    {"GarbageHeader", [](WaveFileFixture&, const TempDir& d) {
         const char bytes[] = "PK\x03\x04\x00\x01garbage\xff\xfe";  // a NUL inside: no strlen
         Header(d, std::string(bytes, sizeof bytes - 1));
         return Data(d, 100);
     }, false, {"x.hdr: no line beginning with \"FormatVersion\" after line 0"}},
    {"HeaderWithTooFewValues", [](WaveFileFixture&, const TempDir& d) {
         std::string text = kFull;
         const std::size_t at = text.find("VOffset 0 0 0 0");
         text.replace(at, 15, "VOffset 0 0");
         Header(d, text);
         return Data(d, 4 * 2 * kSamples);
     }, false, {"x.hdr: line 16 \"VOffset 0 0\" has 2 values where 4 are needed"}},
    {"HeaderWithBlockSizeMissing", [](WaveFileFixture&, const TempDir& d) {
         std::string text = kFull;
         const std::size_t at = text.find("BlockSize");
         text.erase(at, text.find("\r\n", at) + 2 - at);
         Header(d, text);
         return Data(d, 4 * 2 * kSamples);
     }, false, {"x.hdr: line 14 \"VResolution 1 1 1 1\" stands where the \"BlockSize\" line must follow"}},
    {"HeaderWithHugeTraceCount", [](WaveFileFixture&, const TempDir& d) {
         std::string text = kFull;
         const std::size_t at = text.find("TraceTotalNumber 4");
         text.replace(at, 18, "TraceTotalNumber 99999999");
         Header(d, text);
         return Data(d, 100);
     }, false, {"x.hdr: line 8 \"TraceTotalNumber 99999999\": 99999999 is not within 1 to 4096"}},
    {"HugeSparseData", [](WaveFileFixture&, const TempDir& d) {
         Header(d, kFull);
         const std::string path = d.File("x.wvf");
         const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
         EXPECT_EQ(::ftruncate(fd, int64_t{1} << 36), 0);  // 64 GiB of holes
         ::close(fd);
         return path;
     }, true, {}},
    {"HugeSparseFloatingFile", [](WaveFileFixture&, const TempDir& d) {
         const std::string path = d.File("x.fld");
         const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
         EXPECT_EQ(::ftruncate(fd, int64_t{1} << 36), 0);  // its holes are counted, not read
         EXPECT_EQ(::pwrite(fd, "\0\0\x80\x3f", 4, int64_t{1} << 35), 4);  // one 1.0f in the middle
         ::close(fd);
         return path;
     }, true, {}},
    {"LaterGroupWithFewerBlocks", [](WaveFileFixture&, const TempDir& d) {
         GroupDesc first, second;
         first.names = {"CH1"};
         first.types = {"IS2"};
         first.blocks = 3;
         first.sizes = {{100}, {100}, {100}};
         second.names = {"CH2"};
         second.types = {"IS2"};
         second.sizes = {{100}};
         HeaderDesc desc;
         desc.model = "QV3100";  // one Date line per group
         desc.dataFormat = "Block";
         desc.groups = {first, second};
         Header(d, HeaderText(desc));
         return Data(d, 8 * 100);
     }, true, {}},
    {"UnknownEnding", [](WaveFileFixture&, const TempDir& d) { return d.File("x.txt"); },
     false, {"x.txt: the name must end in .wvf, .rtm or .fld"}},
};
// clang-format on

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileFiles : public WaveFileFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileFiles, FailAtOnceWithTheirCauseOrOpenSayingWhatIsMissing) {
    const HostileCase& c = GetParam();
    const std::string path = c.make(*this, dir);
    WaveDocument doc(0);
    const auto start = std::chrono::steady_clock::now();
    const WaveDocument::LoadResult r = doc.Load(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(r.ok, c.opens) << r.message;
    const std::string& text = c.opens ? r.warning : r.failure.cause;
    if (c.opens) {
        EXPECT_EQ(c.says.empty(), r.warning.empty()) << r.warning;
    }
    for (const std::string& part : c.says) EXPECT_NE(text.find(part), std::string::npos) << text;
    if (!c.opens) {
        // The program's own words first, the cause on the line below.
        EXPECT_EQ(r.message, "Cannot oepn this file. \n\n  Check *.hdr \n" + r.failure.cause);
        std::string line;
        EXPECT_EQ(OpenWaveFileAt(path, 0, line), nullptr);
        EXPECT_EQ(line, "Cannot oepn this file: " + r.failure.cause);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileFiles, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

// As root every file is readable: the open is tried by a child that gave up root.
TEST_F(WaveFileFixture, UnreadableDataFileSaysPermissionDenied) {
    Header(dir, kFull);
    const std::string path = Data(dir, 4 * 2 * kSamples);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(dir.File("x.hdr").c_str(), 0644);
    const ChildRun run = RunUnprivileged([&](std::string& said) {
        said = WaveDocument(0).Load(path).failure.cause;
        return 0;
    });
    if (run.code == ChildRun::kCannotDrop) GTEST_SKIP() << "running as root and cannot drop to uid 65534";
    if (run.said.find("x.hdr: permission denied") != std::string::npos)
        GTEST_SKIP() << "uid 65534 cannot reach the test folder " << dir.Path();
    ASSERT_EQ(run.code, 0);
    EXPECT_EQ(run.said, path + ": permission denied");
}

TEST_F(WaveFileFixture, ShortDataIsNeverReadAsSamples) {
    Header(dir, kFull);
    const std::string path = Data(dir, 2 * 2 * kSamples + 1000);
    CWaveFile file;
    ASSERT_EQ(file.Open(path, 0), kOpenOk);
    // W1 and W2 whole, W3 the 500 samples that are there, W4 nothing.
    for (auto [trace, present] : {std::pair{0, kSamples}, {1, kSamples}, {2, 500}, {3, 0}})
        EXPECT_EQ(file.SamplesPresent(0, trace), present) << "W" << trace + 1;
    std::vector<uint8_t> buffer(2 * kSamples);
    int64_t got = -1;
    file.ReadData(0, 2, 0, kSamples, buffer, got, 0);
    EXPECT_EQ(got, 500);
    EXPECT_EQ(file.GetDataFileBytes(), 21000);
    EXPECT_EQ(file.GetDescribedBytes(), 40000);
}

TEST_F(WaveFileFixture, CancelStopsALargeReadBetweenItsPieces) {
    GroupDesc g;
    g.names = {"CH1"};
    g.types = {"IS2"};
    g.sizes = {{1 << 30}};
    HeaderDesc desc;
    desc.groups = {g};
    Header(dir, HeaderText(desc));
    const std::string path = dir.File("x.wvf");
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_EQ(::ftruncate(fd, int64_t{2} << 30), 0);
    ::close(fd);
    CWaveFile file;
    ReadMonitor monitor;
    file.SetReadMonitor(&monitor);
    ASSERT_EQ(file.Open(path, 0), kOpenOk);
    std::vector<uint8_t> buffer(std::size_t{128} << 20);
    // Cancelled as soon as the first piece has been read.
    std::thread stopper([&] {
        while (monitor.bytesRead.load() == 0) std::this_thread::yield();
        monitor.cancel = true;
    });
    int64_t got = 0;
    const int result = file.ReadRaw(0, static_cast<int64_t>(buffer.size()), buffer, got);
    stopper.join();
    if (monitor.bytesRead.load() == static_cast<int64_t>(buffer.size()))
        GTEST_SKIP() << "the machine is so busy that the read ended before the cancel was seen";
    EXPECT_NE(result, kFileOk);
    EXPECT_LT(monitor.bytesRead.load(), static_cast<int64_t>(buffer.size()));
}

}  // namespace
}  // namespace kivelo::test
