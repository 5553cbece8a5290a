#include "DemoSet.h"

#include "FldWriter.h"
#include "RtmWriter.h"
#include "WvfWriter.h"

namespace kivelo::wavegen {

Result WriteDemoSet(const std::string& dir) {
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";

    WvfDesc wvf;
    wvf.traces = MakeTraces(4, "IS2", Signal::Sine, 2000);
    wvf.traces[1].signal.kind = Signal::Step;
    wvf.traces[2].signal.kind = Signal::Ramp;
    wvf.traces[3].signal.kind = Signal::Noise;
    wvf.traces[3].signal.amplitude = 0.3;
    wvf.blocks = 3;
    wvf.samples = 10000;
    wvf.header.hResolution = 1.0e-4;
    if (Result r = WriteWvf(base + "demo_wave.wvf", wvf); !r) return r;

    RtmDesc rtm;
    rtm.channelMask = 0x0F;
    rtm.samples = 200000;
    rtm.signal.period = 20000;
    rtm.reduction = RtmReduction::MinMax;
    rtm.regions[0].ring = true;
    rtm.regions[0].ringStart = 16 * RtmFrameBytes(rtm) * 1000;
    rtm.header.hResolution = 1.0e-5;
    if (Result r = WriteRtm(base + "demo_realtime.rtm", rtm); !r) return r;

    FldDesc fld;
    fld.samples = 50000;
    fld.signal.period = 5000;
    fld.signal.floatScale = 2.5;
    return WriteFld(base + "demo_float.fld", fld);
}

}  // namespace kivelo::wavegen
