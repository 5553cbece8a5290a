#include "app/analysis/CFrequencyWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

#include <cmath>

#include "analysis/Measurement.h"
#include "app/analysis/CAmplitudePlot.h"
#include "app/frame/CCommandHost.h"
#include "display/NumberFormat.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

namespace {

constexpr int kFollowMs = 100;

QComboBox* Combo(QWidget* parent, const char* name, const char* accessible, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setAccessibleName(QString::fromLatin1(accessible));
    c->addItems(items);
    return c;
}

QLabel* Label(QWidget* parent, const char* name, const char* accessible) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleName(QString::fromLatin1(accessible));
    return l;
}

QString Formatted(double value, const std::string& unit) {
    std::string text;
    FormatValue(value, unit, 4, 0.0, true, text);
    return QString::fromStdString(text).trimmed();
}

}  // namespace

CFrequencyWindow::CFrequencyWindow(CCommandHost& frame, std::function<SpanChoice()> span)
    : CFollowingWindow(frame, kFollowMs), frame_(frame), span_(std::move(span)), reader_(frame.Document().Options()) {
    setObjectName(QStringLiteral("spectrumWindow"));
    setWindowTitle(QStringLiteral("Spectrum"));
    setAccessibleName(QStringLiteral("Spectrum"));
    trace_ = Combo(this, "spectrumTrace", "Trace", {});
    window_ = Combo(this, "spectrumWindowFunction", "Window function",
                    {QStringLiteral("Hann"), QStringLiteral("Flat top"), QStringLiteral("Rectangular")});
    axis_ = Combo(this, "spectrumAxis", "Frequency axis", {QStringLiteral("Linear"), QStringLiteral("Logarithmic")});
    peak_ = Label(this, "spectrumPeak", "Peak");
    pointer_ = Label(this, "spectrumPointer", "Pointer readout");
    status_ = Label(this, "spectrumStatus", "Span analysed");
    plot_ = new CAmplitudePlot(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(trace_);
    controls->addWidget(window_);
    controls->addWidget(axis_);
    controls->addStretch(1);
    auto* readouts = new QHBoxLayout;
    readouts->addWidget(peak_);
    readouts->addStretch(1);
    readouts->addWidget(pointer_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(status_);
    layout->addWidget(plot_, 1);
    layout->addLayout(readouts);
    connect(trace_, &QComboBox::currentIndexChanged, this, &CFrequencyWindow::Follow);
    connect(window_, &QComboBox::currentIndexChanged, this, &CFrequencyWindow::Follow);
    connect(axis_, &QComboBox::currentIndexChanged, this, [this](int i) { plot_->SetLogAxis(i == 1); });
    connect(plot_, &CAmplitudePlot::pointerMoved, this, [this](double f, double level) {
        pointer_->setText(std::isnan(f)
                              ? QString()
                              : QStringLiteral("%1  %2").arg(Formatted(f, "Hz"), Formatted(level, "dB" + unit_)));
    });
    resize(720, 420);
}

CFrequencyWindow::~CFrequencyWindow() = default;

void CFrequencyWindow::RefillTraces() {
    QStringList labels;
    QList<int> traces;
    if (CWaveFile* file = frame_.File(); file != nullptr && frame_.Document().IsOpen()) {
        for (const auto& [shown, trace] : ZoomTraces(frame_.Model())) {
            MeasuredTrace t;
            if (!DescribeTrace(*file, trace, t) || t.kind == "logic") continue;
            labels << QStringLiteral("W%1 %2").arg(shown + 1).arg(QString::fromStdString(t.name));
            traces << trace;
        }
    }
    QStringList now;
    for (int i = 0; i < trace_->count(); ++i) now << trace_->itemText(i);
    if (now == labels) return;
    const QString current = trace_->currentText();
    const QSignalBlocker block(trace_);
    trace_->clear();
    for (int i = 0; i < labels.size(); ++i) trace_->addItem(labels[i], traces[i]);
    trace_->setCurrentIndex(std::max(trace_->findText(current), 0));
}

void CFrequencyWindow::Follow() {
    RefillTraces();
    Request r;
    if (trace_->currentIndex() >= 0) r.where = CurrentSpan(frame_.Document(), frame_.Model(), span_());
    if (!r.where.path.empty()) {
        r.trace = trace_->currentData().toInt();
        r.label = trace_->currentText().toStdString();
        static constexpr SpectrumWindow kWindows[] = {SpectrumWindow::Hann, SpectrumWindow::Flattop,
                                                      SpectrumWindow::Rect};
        r.window = kWindows[std::clamp(window_->currentIndex(), 0, 2)];
        if (CWaveFile* file = frame_.File()) {
            TraceInfo info;
            file->GetTraceInfo(r.trace, info);
            r.unit = info.VUnit;
        }
    }
    if (r == asked_ && askedSerial_ != 0) return;
    asked_ = r;
    const uint64_t serial = ++askedSerial_;
    const RecordSpan& w = r.where;
    if (w.path.empty() || w.span.count <= 0) {
        Show(serial, {}, {}, w.path.empty() ? QStringLiteral("No file") : QStringLiteral("No samples"));
        return;
    }
    status_->setText(QStringLiteral("%1, record %2, samples %3 to %4 (computing)")
                         .arg(QString::fromStdString(r.label))
                         .arg(w.block)
                         .arg(w.span.first)
                         .arg(w.span.first + w.span.count - 1));
    worker_.Submit([this, r, serial](const std::atomic<bool>& stop) {
        std::string error;
        Spectrum s;
        const RecordSpan& w = r.where;
        CWaveFile* file = reader_.Get(w.path, w.generation, error);
        if (file != nullptr &&
            !ComputeSpectrum(*file, w.block, r.trace, w.span.first, w.span.count, r.window, s, error, &stop) && stop)
            return;
        const QString message = QString::fromStdString(error);
        QMetaObject::invokeMethod(
            this,
            [this, serial, s = std::move(s), unit = r.unit, message]() mutable {
                Show(serial, std::move(s), unit, message);
            },
            Qt::QueuedConnection);
    });
}

void CFrequencyWindow::Show(uint64_t serial, Spectrum spectrum, const std::string& unit, const QString& error) {
    if (serial != askedSerial_) return;  // a newer span was asked for meanwhile
    shownSerial_ = serial;
    if (!error.isEmpty()) {
        status_->setText(error);
        return;
    }
    status_->setText(
        QStringLiteral("%1, record %2, samples %3 to %4%5")
            .arg(QString::fromStdString(asked_.label))
            .arg(asked_.where.block)
            .arg(asked_.where.span.first)
            .arg(asked_.where.span.first + asked_.where.span.count - 1)
            .arg(spectrum.welch ? QStringLiteral(", mean of %1 segments").arg(spectrum.segments) : QString()));
    unit_ = unit;
    plot_->SetLight(frame_.Model().LightMode());
    plot_->SetSpectrum(std::move(spectrum), unit);
    ShowPeak();
}

void CFrequencyWindow::ShowPeak() {
    const int peak = plot_->PeakBin();
    if (peak < 0) {
        peak_->clear();
        return;
    }
    const Spectrum& s = plot_->Shown();
    const auto bin = static_cast<std::size_t>(peak);
    peak_->setText(
        QStringLiteral("Peak %1  %2")
            .arg(Formatted(s.Frequency(bin), "Hz"), Formatted(20.0 * std::log10(s.amplitude[bin]), "dB" + unit_)));
}

}  // namespace kivelo::app
