#pragma once
// The Spectrum window: the amplitude spectrum of one chosen trace over the span
// the Measure window measures, in dB against frequency, with the window
// function and the frequency axis to choose, the peak's frequency and level and
// a readout of the point under the pointer. Computed on a worker thread; the
// last spectrum stays on screen meanwhile.

#include <functional>
#include <string>

#include "analysis/LatestJob.h"
#include "analysis/AmplitudeBins.h"
#include "app/analysis/CFollowingWindow.h"
#include "app/analysis/MeasureSpan.h"
#include "app/analysis/PrivateReader.h"

class QComboBox;
class QLabel;
class QTimer;

namespace kivelo::app {

class CCommandHost;
class CAmplitudePlot;

class CFrequencyWindow : public CFollowingWindow {
    Q_OBJECT
public:
    CFrequencyWindow(CCommandHost& frame, std::function<SpanChoice()> span);
    ~CFrequencyWindow() override;

    // Asks for a new spectrum when the span, record, trace or window changed.
    void Follow() override;
    bool UpToDate() const { return shownSerial_ == askedSerial_; }
    CAmplitudePlot& Plot() { return *plot_; }

private:
    struct Request {
        RecordSpan where;
        int trace = -1;  // the file's
        std::string label, unit;
        SpectrumWindow window = SpectrumWindow::Hann;
        friend bool operator==(const Request&, const Request&) = default;
    };
    void RefillTraces();
    void Show(uint64_t serial, Spectrum spectrum, const std::string& unit, const QString& error);
    void ShowPeak();

    CCommandHost& frame_;
    std::function<SpanChoice()> span_;
    QComboBox* trace_ = nullptr;
    QComboBox* window_ = nullptr;
    QComboBox* axis_ = nullptr;
    QLabel* peak_ = nullptr;
    QLabel* pointer_ = nullptr;
    QLabel* status_ = nullptr;
    CAmplitudePlot* plot_ = nullptr;
    std::string unit_;
    Request asked_;
    uint64_t askedSerial_ = 0, shownSerial_ = 0;
    PrivateReader reader_;  // the worker's alone
    LatestJob worker_;      // last: stopped before anything it uses goes
};

}  // namespace kivelo::app
