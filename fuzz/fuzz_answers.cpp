// Family drivers and the header writer on arbitrary instrument answers.
//
// Input: byte 0 picks the model family, byte 1 (when nonzero) the number of
// the write that fails; the rest is the instrument's answers in the order
// they are asked for, one per line. A line holding only 0x01 makes that read
// fail. The answers start again from the first when they run out, and the
// instrument falls silent after a fixed number of reads, so every input ends.
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFiles.h"
#include "instrument/download/WriteDownloadHeader.h"
#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/DownloadPlan.h"
#include "instrument/drivers/IdentifyInstrument.h"
#include "port/CInstrumentPort.h"

namespace {

// Reads after which the instrument answers nothing more.
constexpr int kMaxReads = 4000;

class AnswerPort : public kivelo::CInstrumentPort {
public:
    AnswerPort(std::vector<std::string_view> answers, int failingWrite)
        : answers_(std::move(answers)), failingWrite_(failingWrite) {}

    int WriteBytes(std::span<const uint8_t>) override { return Written(); }
    int WriteString(std::string_view) override { return Written(); }

    int Read(std::span<uint8_t> buffer, std::size_t& count) override {
        count = 0;
        if (buffer.empty() || answers_.empty() || reads_ >= kMaxReads) return kFailure;
        const std::string_view answer = answers_[static_cast<std::size_t>(reads_++) % answers_.size()];
        if (answer == "\x01") return kFailure;
        // The instrument's line end is part of what arrives.
        const std::string bytes = std::string(answer) + "\n";
        count = std::min(bytes.size(), buffer.size() - 1);
        std::memcpy(buffer.data(), bytes.data(), count);
        buffer[count] = 0;
        return kOk;
    }

private:
    int Written() { return ++writes_ == failingWrite_ ? kFailure : kOk; }

    std::vector<std::string_view> answers_;
    int failingWrite_;
    int reads_ = 0;
    int writes_ = 0;
};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

void Conversions(std::string_view text) {
    volatile int whole = kivelo::ParseWhole(text);
    volatile double real = kivelo::ParseReal(text);
    volatile int code = kivelo::ModelCodeOf(text);
    const std::string unquoted = kivelo::Unquote(text);
    if (unquoted.size() > text.size()) std::abort();
    (void)whole;
    (void)real;
    (void)code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kivelo::fuzz::ScratchDir dir;
    static const std::string headerPath = dir.Path() + "/f.hdr";
    static constexpr std::array<int, 8> kModels{818, 826, 4300, 6010, 6020, 6030, 3120, 3140};
    if (size < 2) return 0;

    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    Conversions(text);

    AnswerPort port(Lines(text), data[1]);
    // Identification takes the first answer; the driver follows the family of byte 0
    // whatever it said, so every family sees every answer.
    (void)kivelo::IdentifyInstrument(port);
    kivelo::DownloadPlan plan;
    kivelo::DownloadHeaderOptions options;
    options.overwrite = true;
    int detail = 0;
    const int result =
        kivelo::WriteDownloadHeader(kModels[data[0] % kModels.size()], headerPath, port, plan, options, &detail);
    if (result != 0 && result != 1) std::abort();
    if (plan.traceCount < 0 || plan.traceCount > kivelo::DownloadPlan::kMaxTraces) std::abort();
    if (plan.chunk.size() != kivelo::DownloadPlan::kChunkSize + 1) std::abort();
    return 0;
}
