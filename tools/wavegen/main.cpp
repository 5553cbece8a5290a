// kivelo-gen: writes waveform test files (.wvf/.hdr, .rtm/.hdr, .fld) and the demo set.
#include <cstdio>
#include <cstring>
#include <string>

#include "CliOptions.h"
#include "Wavegen.h"

using namespace kivelo::wavegen;

namespace {

const char* const kUsage =
    "usage:\n"
    "  kivelo-gen wvf OUT.wvf [--traces N] [--blocks B] [--samples N] [--type IS2[,FS4,...]]\n"
    "             [--format Trace|Block] [--endian Ltl|Big] [--model QV708] [--group-size 4]\n"
    "             [--data-offset N] [--hres 1e-3] [--app-info] [--display-block-size]\n"
    "  kivelo-gen rtm OUT.rtm [--mask 0x0F] [--dspchattr M] [--no-channel-word] [--bytes 2]\n"
    "             [--type IS2] [--samples N] [--ring 0,0,0] [--ring-start 0,0,0]\n"
    "             [--frames -1,-1,-1] [--reduction decimate|minmax] [--endian Ltl|Big]\n"
    "             [--model QV818] [--hres 1e-3]\n"
    "  kivelo-gen fld OUT.fld [--samples N] [--scale 10] [--trailing 0..3]\n"
    "  kivelo-gen demo DIR\n"
    "signal options of wvf, rtm and fld:\n"
    "  [--signal sine|step|ramp|noise|logic|counter] [--period 1000] [--amplitude 0.8] [--seed 1]\n"
    "The .hdr is written beside the data file. Types: IS1 IU1 IS2 IU2 IS4 IU4 FS4 B8 B16,\n"
    "any other token (e.g. XX2) is written as an unrecognised type of its trailing width.\n";

const std::set<std::string> kSignalOptions{"signal", "period", "amplitude", "seed"};

std::set<std::string> With(std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "kivelo-gen: %s\n", message.c_str());
    return 2;
}

bool ReadSignal(CliOptions& o, SignalDesc& s) {
    if (o.Has("signal")) {
        const auto kind = ParseSignal(o.Text("signal", ""));
        if (!kind) return false;
        s.kind = *kind;
    }
    int64_t seed = static_cast<int64_t>(s.seed);
    const bool ok = o.Int("period", 2, int64_t{1} << 40, s.period) && o.Real("amplitude", s.amplitude) &&
                    o.Int("seed", 0, INT64_MAX, seed);
    s.seed = static_cast<uint64_t>(seed);
    return ok;
}

bool ReadHeaderOptions(CliOptions& o, HeaderOptions& h) {
    h.endian = o.Text("endian", h.endian);
    h.model = o.Text("model", h.model);
    return h.endian.find(' ') == std::string::npos && o.Real("hres", h.hResolution);
}

int Report(const Result& r, const std::string& what) {
    if (!r) return Fail(r.error);
    std::printf("wrote %s\n", what.c_str());
    return 0;
}

int RunWvf(CliOptions& o) {
    WvfDesc s;
    int64_t traces = 4, blocks = 1, group = 4, offset = 0;
    SignalDesc signal;
    if (!o.Int("traces", 1, 4096, traces) || !o.Int("blocks", 1, 100000, blocks) ||
        !o.Int("samples", 0, int64_t{1} << 40, s.samples) || !o.Int("group-size", 1, 4096, group) ||
        !o.Int("data-offset", 0, INT32_MAX, offset) || !ReadHeaderOptions(o, s.header)) {
        return Fail(o.Error());
    }
    if (!ReadSignal(o, signal)) return Fail(o.Error().empty() ? "unknown --signal" : o.Error());
    s.traces = MakeTraces(static_cast<int>(traces), o.Text("type", "IS2"), signal.kind, signal.period);
    for (std::size_t t = 0; t < s.traces.size(); ++t) {
        s.traces[t].signal.amplitude = signal.amplitude;
        s.traces[t].signal.seed = signal.seed + t;
    }
    s.blocks = static_cast<int>(blocks);
    s.header.tracesPerGroup = static_cast<int>(group);
    s.header.dataOffset = offset;
    s.header.dataFormat = o.Text("format", "Trace");
    s.header.applicationInfo = o.Has("app-info");
    s.header.displayBlockSize = o.Has("display-block-size");
    return Report(WriteWvf(o.Positional()[0], s), o.Positional()[0]);
}

int RunRtm(CliOptions& o) {
    RtmDesc s;
    int64_t mask = s.channelMask, bytes = s.bytesPerSample, attr = -1;
    std::vector<int64_t> ring{0, 0, 0}, start{0, 0, 0}, frames{-1, -1, -1};
    if (!o.Int("mask", 0, UINT32_MAX, mask) || !o.Int("dspchattr", 0, UINT32_MAX, attr) ||
        !o.Int("bytes", 1, 4, bytes) || !o.Int("samples", 0, int64_t{1} << 40, s.samples) ||
        !o.IntList("ring", 3, ring) || !o.IntList("ring-start", 3, start) || !o.IntList("frames", 3, frames) ||
        !ReadHeaderOptions(o, s.header)) {
        return Fail(o.Error());
    }
    if (!ReadSignal(o, s.signal)) return Fail(o.Error().empty() ? "unknown --signal" : o.Error());
    s.channelMask = static_cast<uint32_t>(mask);
    if (attr >= 0) s.dspChAttr = static_cast<uint32_t>(attr);
    s.channelWord = !o.Has("no-channel-word");
    s.bytesPerSample = static_cast<int>(bytes);
    s.type = o.Text("type", "");
    for (std::size_t r = 0; r < 3; ++r) {
        s.regions[r].ring = ring[r] != 0;
        s.regions[r].ringStart = start[r];
        s.regions[r].frames = frames[r];
    }
    const std::string reduction = o.Text("reduction", "decimate");
    if (reduction != "decimate" && reduction != "minmax") return Fail("unknown --reduction");
    s.reduction = reduction == "minmax" ? RtmReduction::MinMax : RtmReduction::Decimate;
    return Report(WriteRtm(o.Positional()[0], s), o.Positional()[0]);
}

int RunFld(CliOptions& o) {
    FldDesc s;
    int64_t trailing = 0;
    if (!o.Int("samples", 0, int64_t{1} << 40, s.samples) || !o.Int("trailing", 0, 3, trailing) ||
        !o.Real("scale", s.signal.floatScale)) {
        return Fail(o.Error());
    }
    if (!ReadSignal(o, s.signal)) return Fail(o.Error().empty() ? "unknown --signal" : o.Error());
    s.trailingBytes = static_cast<int>(trailing);
    return Report(WriteFld(o.Positional()[0], s), o.Positional()[0]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    std::set<std::string> valued, flags;
    int (*run)(CliOptions&) = nullptr;
    if (command == "wvf") {
        valued = With(
            {"traces", "blocks", "samples", "type", "format", "endian", "model", "group-size", "data-offset", "hres"},
            kSignalOptions);
        flags = {"app-info", "display-block-size"};
        run = RunWvf;
    } else if (command == "rtm") {
        valued = With({"mask", "dspchattr", "bytes", "type", "samples", "ring", "ring-start", "frames", "reduction",
                       "endian", "model", "hres"},
                      kSignalOptions);
        flags = {"no-channel-word"};
        run = RunRtm;
    } else if (command == "fld") {
        valued = With({"samples", "scale", "trailing"}, kSignalOptions);
        run = RunFld;
    } else if (command != "demo") {
        return Fail("unknown command " + command + " (see --help)");
    }
    CliOptions o;
    if (!o.Parse(argc, argv, 2, valued, flags)) return Fail(o.Error());
    if (o.Positional().size() != 1) return Fail("expected one output path (see --help)");
    if (run == nullptr) return Report(WriteDemoSet(o.Positional()[0]), "demo set in " + o.Positional()[0]);
    return run(o);
}
