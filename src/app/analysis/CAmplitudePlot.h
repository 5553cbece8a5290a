#pragma once
// Draws an amplitude spectrum as level in dB against frequency (linear or
// logarithmic axis) with its peak marked, and reports the frequency and level
// under the pointer.
#include <QWidget>

#include <string>

#include "analysis/AmplitudeBins.h"

namespace kivelo::app {

class CAmplitudePlot : public QWidget {
    Q_OBJECT
public:
    explicit CAmplitudePlot(QWidget* parent);

    void SetSpectrum(Spectrum spectrum, std::string unit);
    void SetLogAxis(bool on);
    void SetLight(bool on);
    const Spectrum& Shown() const { return spectrum_; }
    // The bin with the largest amplitude above 0 Hz (bin 0 when there is no other); -1 when empty.
    int PeakBin() const;
    // Frequency at plot column x (NaN outside the plot or without a spectrum).
    double FrequencyAt(int x) const;

signals:
    // Frequency and level under the pointer; NaN when it left the plot.
    void pointerMoved(double frequency, double level);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect PlotRect() const;
    // Plot x of a frequency.
    double XOf(double frequency) const;
    double LevelOf(std::size_t bin) const;

    Spectrum spectrum_;
    std::string unit_;
    bool log_ = false;
    bool light_ = false;
    double top_ = 0.0, bottom_ = -100.0;  // dB range shown
};

}  // namespace kivelo::app
