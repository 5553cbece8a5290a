#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

namespace {

// Runs qvsim with a pipe on stdin and stdout; closing stdin ends it.
class SimProcess {
public:
  explicit SimProcess(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, STDERR_FILENO);
      ::close(in[1]);
      ::close(out[0]);
      std::vector<char*> argv;
      const std::string exe = KIVELO_BINARY_DIR "/bin/qvsim";
      argv.push_back(const_cast<char*>(exe.c_str()));
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(exe.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
  }
  ~SimProcess() {
    CloseStdin();
    if (m_pid > 0) Wait();
    if (m_stdout >= 0) ::close(m_stdout);
  }

  // The first stdout line: the slave device path, or what it printed before exiting.
  std::string FirstLine() {
    std::string line;
    char c = 0;
    while (ReadWithin(m_stdout, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
  }
  void CloseStdin() {
    if (m_stdin >= 0) ::close(m_stdin);
    m_stdin = -1;
  }
  int Wait() {
    int status = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid) m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    return m_exit;
  }

  // One read that gives up after a generous while, so a broken simulator fails the test instead of hanging it.
  static ssize_t ReadWithin(int fd, void* buf, std::size_t n) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) return -1;
    return ::read(fd, buf, n);
  }

private:
  pid_t m_pid = -1;
  int m_stdin = -1;
  int m_stdout = -1;
  int m_exit = -1;
};

int OpenLine(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  return fd;
}

void SendLine(int fd, const std::string& text) {
  const std::string line = text + "\n";
  ASSERT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
}

// Reads like the serial port does: up to and including the next LF.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (SimProcess::ReadWithin(fd, &c, 1) == 1) {
    line.push_back(c);
    if (c == '\n') break;
  }
  return line;
}

std::string ReadExactly(int fd, std::size_t n) {
  std::string data;
  std::vector<char> buf(4096);
  while (data.size() < n) {
    const auto got = SimProcess::ReadWithin(fd, buf.data(), std::min(buf.size(), n - data.size()));
    if (got <= 0) break;
    data.append(buf.data(), static_cast<std::size_t>(got));
  }
  return data;
}

}  // namespace

TEST(PtyFrontEnd, AnswersQueriesAndBlocks) {
  TempDir dir;
  SimProcess sim({"--family", "qv43", "--length", "3000", "--records", "2", "--log", dir.File("pty.log"), "--pty"});
  const auto path = sim.FirstLine();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  const int fd = OpenLine(path);
  ASSERT_GE(fd, 0);
  SendLine(fd, "*IDN?");
  EXPECT_EQ(ReadLine(fd).substr(9, 6), "514101");
  SendLine(fd, "COMM:HEAD OFF");
  SendLine(fd, "HIST:DISP?");
  EXPECT_EQ(ReadLine(fd), "0,-1\n");
  SendLine(fd, "WAV:TRAC 2;REC -1;:WAV:SEND?");
  const auto head = ReadExactly(fd, 6);
  EXPECT_EQ(head, "#46000");
  const auto data = ReadExactly(fd, 6001);
  const auto expected = ExpectedBytes(1, -1, 0, 3000);
  ASSERT_EQ(data.size(), 6001u);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const std::uint8_t*>(data.data())));
  EXPECT_EQ(data.back(), '\n');
  // The line can be closed and opened again, as each transfer of the program does.
  ::close(fd);
  const int again = OpenLine(path);
  SendLine(again, "*OPT?");
  EXPECT_EQ(ReadLine(again), "4CH\n");
  ::close(again);
  sim.CloseStdin();
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_NE(ReadText(dir.File("pty.log")).find("> WAV:TRAC 2;REC -1;:WAV:SEND?"), std::string::npos);
}

TEST(PtyFrontEnd, ExitsAfterTheGivenNumberOfCommands) {
  SimProcess sim({"--family", "qv60", "--exit-after", "2", "--pty"});
  const int fd = OpenLine(sim.FirstLine());
  ASSERT_GE(fd, 0);
  SendLine(fd, "COMM:HEAD OFF");
  SendLine(fd, "TRIG:NSIN:DCOU?");
  EXPECT_EQ(ReadLine(fd), "1\n");
  EXPECT_EQ(sim.Wait(), 0);
  ::close(fd);
}

TEST(PtyFrontEnd, StalledBlockLeavesTheReaderWaiting) {
  SimProcess sim({"--family", "qv8", "--length", "100", "--fault", "stall", "--pty"});
  const int fd = OpenLine(sim.FirstLine());
  ASSERT_GE(fd, 0);
  SendLine(fd, "WAV:SEND?");
  EXPECT_EQ(ReadExactly(fd, 5 + 100), "#3200" + std::string(reinterpret_cast<const char*>(ExpectedBytes(0, 0, 0, 50).data()), 100));
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 200), 0);  // nothing more comes
  SendLine(fd, "*OPT?");
  EXPECT_EQ(ReadLine(fd), "NONE\n");
  ::close(fd);
}

TEST(PtyFrontEnd, RefusesBadOptions) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--family", "qv9", "--pty"},
                                        std::vector<std::string>{"--family", "qv8", "--length"},
                                        std::vector<std::string>{"--family", "qv8"},
                                        std::vector<std::string>{"--bogus", "1", "--pty"}}) {
    SimProcess sim(args);
    EXPECT_EQ(sim.FirstLine(), "");
    EXPECT_EQ(sim.Wait(), 2) << args[0] << " " << args[1];
  }
}
