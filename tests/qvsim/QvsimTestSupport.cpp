#include "QvsimTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivelo::qvsim::test {

TempDir::TempDir() {
  char pattern[] = "/tmp/qvsim-test-XXXXXX";
  if (const char* made = ::mkdtemp(pattern); made != nullptr) m_path = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

SimConfig MakeConfig(Settings settings) {
  SimConfig config;
  bool familyGiven = false;
  for (const auto& [key, value] : settings) {
    EXPECT_EQ(ApplySetting(config, key, value), "") << key << "=" << value;
    familyGiven = familyGiven || std::string(key) == "family";
  }
  EXPECT_EQ(Finalize(config, familyGiven), "");
  return config;
}

std::string Drain(CQvSimulator& sim) {
  std::string out;
  std::vector<std::uint8_t> buf(4096);
  while (!sim.Output().Empty()) {
    const auto r = sim.Output().Read(buf, -1);
    out.append(reinterpret_cast<const char*>(buf.data()), r.count);
  }
  return out;
}

std::string Ask(CQvSimulator& sim, const std::string& message) {
  sim.WriteMessage(message);
  return Drain(sim);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::uint8_t> ExpectedBytes(int channel, int record, std::int64_t first, std::int64_t points,
                                        bool msbFirst, SamplePattern pattern) {
  std::vector<std::uint8_t> out;
  for (std::int64_t i = 0; i < points; ++i) {
    const auto w = SampleWord(channel, record, first + i, pattern);
    const auto hi = static_cast<std::uint8_t>(w >> 8);
    const auto lo = static_cast<std::uint8_t>(w & 0xFF);
    out.push_back(msbFirst ? hi : lo);
    out.push_back(msbFirst ? lo : hi);
  }
  return out;
}

std::string BlockHeader(std::uint64_t bytes) {
  const auto digits = std::to_string(bytes);
  return "#" + std::to_string(digits.size()) + digits;
}

}  // namespace kivelo::qvsim::test
