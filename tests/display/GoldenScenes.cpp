#include "GoldenScenes.h"

#include <cmath>
#include <cstdio>

#include "FakeWaveFile.h"
#include "RecordingPainter.h"
#include "display/CursorRenderer.h"
#include "display/DisplayPalette.h"
#include "display/DocumentBinding.h"
#include "display/Envelope.h"
#include "display/Graticule.h"
#include "display/HistoryState.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/TraceRasterizer.h"
#include "display/VerticalScaling.h"
#include "display/WindowLayout.h"
#include "display/WindowPlacement.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo::test {
namespace {

template <typename... Values>
void Add(std::string& log, const char* format, Values... values) {
    char line[200];
    std::snprintf(line, sizeof line, format, values...);
    log += line;
}

ViewArea Area(int x, int y, int w, int h, int style, int groups) {
    ViewArea a;
    a.SetWindow(0, 0, 2048, 1200);
    a.SetArea(x, y, w, h);
    a.graticuleStyle = static_cast<uint16_t>(style);
    a.SetSplitCount(groups);
    return a;
}

DisplayTrace Trace(uint8_t slot, uint32_t colour, uint32_t points) {
    DisplayTrace t;
    t.displayOn = 1;
    t.positionSlot = slot;
    t.colour = colour;
    t.pointCount = points;
    t.columnCount = 200;
    t.pairCount = 200;
    return t;
}

// Six graticule styles, each with a sine (clipped by a 2x zoom), a 3-point
// ramp pair and a 4-bit logic trace in two groups.
void GraticuleStyles(RasterPlane& plane, std::string&) {
    for (int style = 0; style <= 5; ++style) {
        const ViewArea a = Area(10 + (style % 3) * 230, 10 + (style / 3) * 170, 200, 140, style, 2);
        DrawGraticule(plane, a);
        DisplayTrace sine = Trace(0, 1, 2000);
        for (int i = 0; i < 2000; ++i)
            sine.samples[static_cast<size_t>(i)] = static_cast<int16_t>(30000 * std::sin(i * 0.0126));
        sine.verticalZoom = 2 * 65536;
        BuildAndDraw(plane, a, sine);
        DisplayTrace ramp = Trace(1, 2, 3);
        ramp.samples[0] = -20000;
        ramp.samples[1] = 20000;
        ramp.samples[2] = -20000;
        BuildAndDraw(plane, a, ramp);
        DisplayTrace logic = Trace(2, 3, 40);
        logic.logic = 1;
        logic.bitCount = 4;
        for (int i = 0; i < 40; ++i) logic.samples[static_cast<size_t>(i)] = static_cast<int16_t>(i / 3);
        BuildAndDraw(plane, a, logic);
    }
}

// Narrow columns: 50 pairs over 400 pixels, drawn two pixels wide, and a
// highlight copy shifted down.
void WideColumns(RasterPlane& plane, std::string&) {
    const ViewArea a = Area(8, 8, 400, 120, 1, 1);
    DrawGraticule(plane, a);
    DisplayTrace t = Trace(0, 5, 6);
    t.columnCount = 50;
    t.pairCount = 50;
    const int16_t v[] = {0, 15000, -15000, 30000, -30000, 0};
    for (int i = 0; i < 6; ++i) t.samples[static_cast<size_t>(i)] = v[i];
    BuildAndDraw(plane, a, t);
    t.colour = 32;
    t.verticalPosition = -4000;
    BuildAndDraw(plane, a, t);
}

// The four windows side by side on one document of three records: Main with an
// overlaid record, a snapshot, two split groups and both cursors; Zoom with its
// frame in Main; History with a marked record; XY of the first two traces.
void Windows(RasterPlane& plane, std::string& log) {
    FakeWaveFile file;
    std::vector<std::vector<int16_t>> volts, amps;
    for (int r = 0; r < 3; ++r) {
        volts.emplace_back();
        amps.emplace_back();
        for (int i = 0; i < 3000; ++i) {
            volts.back().push_back(static_cast<int16_t>((10000 - 3000 * r) * std::sin(i * 0.0063)));
            amps.back().push_back(static_cast<int16_t>(20000 * std::cos(i * 0.0021 * (r + 1))));
        }
    }
    file.AddTrace("VOLT", volts, kKindSigned, 2, 0.001, 0.0, "V");
    file.AddTrace("AMP", amps, kKindSigned, 2, 0.01, 0.0, "A");
    file.AddTrace("BITS", amps, kKindBit, 2, 1.0, 0.0, "");
    auto model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;
    auto cache = std::make_unique<RenderCache>();
    BindDocument(m, file);
    m.mainSplit = 2;
    m.Area(WindowId::Zoom).SetWindow(0, 220, 1, 1);
    m.Area(WindowId::History).SetWindow(360, 0, 1, 1);
    m.Area(WindowId::Xy).SetWindow(360, 220, 1, 1);
    m.history.SetCellSize(HistoryState::kSmall, 220, 256);
    m.zoom.SelectZoomRatio(3, 3000);
    m.zoom.SetPosition(0.4e11, 3000);
    const auto target = [&](RecordingPainter& p, WindowId w) {
        const RenderTarget t{m, *cache, &file, p, TextMetrics::Normal(), 1280, 1024};
        PlaceWindow(m, t, w);
        return t;
    };
    // First only the log of Main at other sizes (the information line and the count
    // drop out), with cursors on traces of other units, one beyond the area, one logic.
    m.cursors.SetColumns(5000, 40);
    m.cursors.mesTrace = 1;
    m.cursors.refTrace = 2;
    for (const auto& [w, h] : {std::pair{800, 400}, {800, 100}, {500, 80}, {500, 400}}) {
        RecordingPainter p(w, 36 + h);
        DrawMainWindow(target(p, WindowId::Main));
        log += "== main " + std::to_string(w) + "x" + std::to_string(h) + "\n" + p.log;
    }
    m.cursors.mesColumn = {120, 120};
    m.cursors.mesTrace = 0;
    m.cursors.refTrace = 0;
    m.xy.xTrace = 1;
    RecordingPainter mainP(360, 256), zoom(360, 256), history(220, 256), xy(220, 256);
    DrawMainWindow(target(mainP, WindowId::Main));
    m.SetSnapshot(true);
    m.document.currentRecord = 1;
    m.document.overlayMarks[2] = 1;
    mainP = RecordingPainter(360, 256);
    DrawMainWindow(target(mainP, WindowId::Main));
    DrawZoomWindow(target(zoom, WindowId::Zoom), &mainP);
    DrawHistoryWindow(target(history, WindowId::History));
    DrawXyWindow(target(xy, WindowId::Xy));
    log += "== main\n" + mainP.log + "== zoom\n" + zoom.log;
    log += "== history\n" + history.log + "== xy\n" + xy.log;
    plane = cache->plane;
}

// No plane: window layouts, zoom ratio tables with their read plans and scroll
// steps, and the history grid's hit map, for frames and records large and tiny.
void PanelState(RasterPlane&, std::string& log) {
    const auto add = [&](const char* format, auto... values) { Add(log, format, values...); };
    const std::optional<WindowResize> none;
    // clang-format off
    const struct { int w, h; const char* shown; double right; std::optional<WindowResize> resized; } layouts[] = {
        // clang-format on
        {1280, 1024, "MZHX", 0.3, none},
        {1000, 800, "-Z--", 0.3, none},
        {1000, 800, "--H-", 0.3, none},
        {600, 500, "MZHX", 0.05, none},
        {600, 500, "MZHX", 0.9, none},
        {10, 10, "MZHX", 0.3, WindowResize{WindowId::History, 1, 1}},
        {1280, 1024, "MZHX", 0.3, WindowResize{WindowId::Main, 888, 20}},
        {1280, 1024, "MZHX", 0.3, WindowResize{WindowId::Zoom, 888, 900}},
        {1280, 1024, "MZHX", 0.3, WindowResize{WindowId::Xy, 300, 10}},
        {1280, 1024, "MZHX", 0.3, WindowResize{WindowId::History, 300, 5000}},
    };
    for (const auto& c : layouts) {
        LayoutInput in;
        in.frame = {0, 0, c.w, c.h};
        for (size_t w = 0; w < kWindowCount; ++w) in.shown[w] = c.shown[w] != '-';
        in.shares.right = c.right;
        in.resized = c.resized;
        const LayoutResult r = LayOutWindows(in);
        const WindowResize asked = c.resized.value_or(WindowResize{WindowId::Main, 0, 0});
        add("layout %dx%d %s right %.2f resized %d to %dx%d:", c.w, c.h, c.shown, c.right,
            c.resized ? static_cast<int>(asked.window) : -1, asked.width, asked.height);
        for (size_t w = 0; w < kWindowCount; ++w) {
            const LayoutRect& o = r.windows[w];
            add(" %s%d,%d %dx%d", r.visible[w] ? "" : "hidden ", o.x, o.y, o.width, o.height);
        }
        const LayoutRect& t = r.toolbarPanel;
        add(" toolbar %d,%d %dx%d share %.4f\n", t.x, t.y, t.width, t.height, r.shares.main);
    }
    for (const long long length : {0LL, 8LL, 10000LL, 100000LL, 1000000LL, 3000000LL}) {
        ZoomController z;
        const auto at = [&] { return z.Position() * static_cast<double>(length) * 1e-11; };
        z.FillZoomRatios(length);
        const ZoomReadPlan first = z.ReadPlan(length);
        z.Scroll(ScrollCode::LineRight, 0, length);
        add("zoom %lld: first row %u span %lld start %lld points %d, scrolled to %.0f\n", length, z.FirstRow(),
            static_cast<long long>(z.SpanOf(length)), static_cast<long long>(first.start), first.points, at());
        for (uint32_t i = 0; i < z.RatioTexts().size(); ++i) {
            z.SelectZoomRatio(i, length);
            z.SetPosition(0.123456789e11, length);
            const ZoomReadPlan p = z.ReadPlan(length);
            add("  %-13s width %u start %lld points %d step %d align %lld;", z.RatioTexts()[i].c_str(), z.ZoomWidth(),
                static_cast<long long>(p.start), p.points, p.step, static_cast<long long>(p.align));
            for (const ScrollCode code :
                 {ScrollCode::LineRight, ScrollCode::PageRight, ScrollCode::LineLeft, ScrollCode::PageLeft}) {
                z.Scroll(code, 0, length);
                add(" %.0f", at());
            }
            z.Scroll(ScrollCode::Thumb, 9999, length);
            add(" thumb end %.0f\n", at());
        }
    }
    const struct {
        CellSize size;
        int w, h, records, first;
    } grids[] = {{HistoryState::kMedium, 380, 400, 20, 0},  {HistoryState::kMedium, 380, 400, 5, 0},
                 {HistoryState::kMedium, 380, 400, 20, 18}, {HistoryState::kSmall, 220, 256, 3, 0},
                 {HistoryState::kLarge, 130, 150, 20, 0},   {HistoryState::kLarge, 0, 0, 20, 0}};
    for (const auto& g : grids) {  // cell under every 20th pixel, '.' for none
        HistoryState h;
        h.SetCellSize(g.size, g.w, g.h);
        h.SetFirstShown(g.first, g.records);
        add("history %dx%d cells %dx%d, %d records from %d:\n", g.w, g.h, h.Columns(), h.Rows(), g.records, g.first);
        for (int y = 0; y < std::max(g.h, 20); y += 20) {
            log += "  ";
            for (int x = 0; x < std::max(g.w, 20); x += 20) {
                const auto cell = h.CellAt(x, y, g.w, g.h, g.records);
                add(cell ? "%3d" : "  .", cell.value_or(0));
            }
            log += '\n';
        }
    }
}

// No plane: envelopes of few points (stretched, paired, joined to the pair
// before, held for logic) and vertical zoom steps up to their limits.
void Envelopes(RasterPlane&, std::string& log) {
    std::vector<int16_t> ramp;
    for (int i = 0; i < 12; ++i) ramp.push_back(static_cast<int16_t>(i * 100));
    const std::vector<int16_t> pairs{10, 0, 100, 90, -50, -40, 0, 0};
    // clang-format off
    const struct { const char* what; std::vector<int16_t> points; int width; bool logic; int span; } cases[] = {
        {"three points", {0, 1000, 0}, 24, false, 0}, {"logic", {0, 1, 0}, 24, true, 0},
        {"extremes", {-32768, 32767, -32768}, 12, false, 0}, {"none", {}, 4, false, 0},
        {"one", {77}, 4, false, 0}, {"two", {5, 9}, 4, false, 0}, {"pairs", pairs, 4, false, 0},
        {"pairs, fewer columns", pairs, 2, false, 0}, {"12 points spanning 10 intervals", ramp, 20, false, 10},
        // clang-format on
    };
    for (const auto& c : cases) {
        Add(log, "%s, %d wide:", c.what, c.width);
        for (const EnvelopePair& p : BuildEnvelope(c.points, c.width, c.logic, c.span)) Add(log, " %d/%d", p.lo, p.hi);
        log += '\n';
    }
    Add(log, "12 points spanning 10 intervals stretched to 2000: %zu values\n",
        StretchPoints(ramp, 2000, false, 10).size());
    ViewArea a;
    a.SetArea(10, 16, 400, 200);
    for (const auto& [zoom, in] :
         {std::pair{65536, true}, {0x400000, true}, {0x800000, true}, {512, false}, {256, false}}) {
        DisplayTrace t;
        t.verticalZoom = zoom;
        const bool changed = ZoomVertically(t, a, a.AreaTop() + 130, in);
        Add(log, "vertical zoom %d %s: %s %d\n", zoom, in ? "in" : "out", changed ? "to" : "stays", t.verticalZoom);
    }
}

}  // namespace

const std::vector<GoldenScene>& GoldenScenes() {
    static const std::vector<GoldenScene> scenes{
        {"graticule_styles", 700, 340, GraticuleStyles},
        {"wide_columns", 420, 140, WideColumns},
        {"windows", 580, 440, Windows},
        {"panel_state", 0, 0, PanelState},
        {"envelopes", 0, 0, Envelopes},
    };
    return scenes;
}

GoldenPicture ScenePicture(const RasterPlane& plane, int width, int height) {
    GoldenPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        const auto row = plane.Row(y);
        picture.pixels.insert(picture.pixels.end(), row.begin(), row.begin() + width);
    }
    const DisplayPalette palette;
    const auto& lut = DisplayPalette::EntryLut();
    for (size_t b = 0; b < picture.colours.size(); ++b) {
        const Rgb c = palette.Entry(lut[b]);
        picture.colours[b] = uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
    }
    return picture;
}

std::string GoldenPath(const std::string& name, const std::string& ext) { return "tests/display/golden/" + name + ext; }

}  // namespace kivelo::test
