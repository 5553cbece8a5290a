#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "CQvSimulator.h"
#include "SampleData.h"
#include "SimConfig.h"

namespace kivelo::qvsim::test {

// A private directory under /tmp, removed with everything in it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
  std::string m_path;
};

using Settings = std::initializer_list<std::pair<const char*, std::string>>;

// A finished configuration; fails the test when a setting is refused.
SimConfig MakeConfig(Settings settings);

// Everything the instrument has queued, as bytes.
std::string Drain(CQvSimulator& sim);
std::string Ask(CQvSimulator& sim, const std::string& message);

std::string ReadText(const std::string& path);

// The bytes a block of these samples must carry.
std::vector<std::uint8_t> ExpectedBytes(int channel, int record, std::int64_t first, std::int64_t points,
                                        bool msbFirst = true, SamplePattern pattern = SamplePattern::Ramp);

// "#<n><digits>" for a byte count.
std::string BlockHeader(std::uint64_t bytes);

}  // namespace kivelo::qvsim::test
