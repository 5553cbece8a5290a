// Plays the controller's side of an information query and a download against
// each family, reading answers the way the drivers convert them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;

namespace {

class Controller {
public:
  explicit Controller(CQvSimulator& sim) : m_sim(sim) {}

  // Headers off, optional selections, the query, headers on; the answer without its LF.
  std::string Query(const std::string& q, const std::vector<std::string>& select = {}) {
    Ask(m_sim, "COMM:HEAD OFF");
    for (const auto& s : select) Ask(m_sim, s);
    std::string a = Ask(m_sim, q);
    if (!a.empty() && a.back() == '\n') a.pop_back();
    Ask(m_sim, "COMM:HEAD ON");
    return a;
  }
  long Int(const std::string& q, const std::vector<std::string>& select = {}) {
    return std::strtol(Query(q, select).c_str(), nullptr, 10);
  }

  // "WAV:SEND?" read as the GPIB download does: two header bytes, the digits, then chunks.
  std::vector<std::uint8_t> Block(std::int64_t points) {
    m_sim.WriteMessage("WAV:SEND?");
    std::vector<std::uint8_t> head(16);
    auto r = m_sim.Output().Read(std::span(head.data(), 2), -1);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(head[0], '#');
    const std::size_t d = static_cast<std::size_t>(head[1] - '0');
    m_sim.Output().Read(std::span(head.data(), d), -1);
    const std::size_t count = std::stoul(std::string(head.begin(), head.begin() + static_cast<long>(d)));
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> chunk(1000);
    while (data.size() < count) {
      r = m_sim.Output().Read(chunk, -1);
      if (r.count == 0) break;
      const std::size_t k = std::min(r.count, count - data.size());
      data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<long>(k));
    }
    EXPECT_EQ(data.size(), static_cast<std::size_t>(2 * points));
    return data;
  }

private:
  CQvSimulator& m_sim;
};

}  // namespace

TEST(DownloadConversation, Qv8HistoryWithModules) {
  CQvSimulator sim(MakeConfig({{"model", "QV826"}, {"modules", "HS,-,LOGIC,-,-,-,-,-,-,-,-,-,-,-,-,TEMP"},
                               {"length", "300"}, {"records", "3"}}));
  Controller c(sim);
  const auto idn = c.Query("*IDN?");
  EXPECT_EQ(idn.substr(9, 6), "518003");
  Ask(sim, "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF");
  std::vector<int> traces;
  for (int ch = 1; ch <= 16; ++ch) {
    const auto modu = c.Query("CHAN" + std::to_string(ch) + ":MODU?");
    if (std::strtol(modu.c_str() + 1, nullptr, 10) != 0 && c.Int("CHAN" + std::to_string(ch) + ":DISP?") != 0)
      traces.push_back(ch - 1);
  }
  EXPECT_EQ(traces, (std::vector<int>{0, 2, 15}));
  const auto hist = c.Query("HIST:DISP?");
  const long newest = std::strtol(hist.c_str(), nullptr, 10);
  const long oldest = std::strtol(hist.c_str() + hist.find(',') + 1, nullptr, 10);
  EXPECT_EQ(newest - oldest + 1, 3);
  const long length = c.Int("WAV:LENG?");
  EXPECT_EQ(c.Int("WAV:MODU?", {"WAV:TRAC 3", "WAV:REC 0"}), kModuleLogic);
  Ask(sim, "STOP");
  for (int t : traces) {
    Ask(sim, "WAV:TRAC " + std::to_string(t + 1));
    Ask(sim, "WAV:STAR 0;END 128256000;FORM WORD;BYT MSBF");
    for (long r = oldest; r <= newest; ++r) {
      Ask(sim, "WAV:REC " + std::to_string(r));
      EXPECT_EQ(c.Block(length), ExpectedBytes(t, static_cast<int>(r), 0, length)) << t << " " << r;
    }
  }
}

TEST(DownloadConversation, Qv31DisplayCountHistory) {
  CQvSimulator sim(MakeConfig({{"model", "QV3140L"}, {"channels", "2,4"}, {"length", "200"}, {"records", "4"}}));
  Controller c(sim);
  Ask(sim, "WAV:STAR 0;END 2004000;FORM WORD;DAT ACQD;BYT MSBF");
  std::vector<int> traces;
  for (int ch = 1; ch <= 4; ++ch)
    if (c.Int("CHAN" + std::to_string(ch) + ":MODE?") != 0) traces.push_back(ch - 1);
  EXPECT_EQ(traces, (std::vector<int>{1, 3}));
  ASSERT_EQ(c.Query("ACQ:HIST?").front(), '1');
  ASSERT_EQ(c.Query("TRIG:MODE?").front(), 'N');
  const long first = c.Int("DISP:COUN?", {"DISP:COUN -100"});
  EXPECT_EQ(first, -3);
  const long length = c.Int("WAV:LENG?");
  EXPECT_EQ(c.Query("DISP:TIME? -3"), "\"01/15 10:20:27\"");
  for (int t : traces) {
    Ask(sim, "WAV:TRAC " + std::to_string(t + 1));
    for (long r = first; r <= 0; ++r) {
      Ask(sim, "DISP:COUN " + std::to_string(r));
      EXPECT_EQ(c.Block(length), ExpectedBytes(t, static_cast<int>(r), 0, length));
    }
  }
}
