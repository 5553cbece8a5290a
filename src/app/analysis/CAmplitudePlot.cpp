#include "app/analysis/CAmplitudePlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kivelo::app {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kFloorDb = 120.0;  // levels shown below the peak

}  // namespace

CAmplitudePlot::CAmplitudePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("spectrumPlot"));
    setAccessibleName(QStringLiteral("Spectrum plot"));
    setMouseTracking(true);
    setMinimumSize(320, 200);
}

void CAmplitudePlot::SetSpectrum(Spectrum spectrum, std::string unit) {
    spectrum_ = std::move(spectrum);
    unit_ = std::move(unit);
    const int peak = PeakBin();
    double high = peak >= 0 ? LevelOf(static_cast<std::size_t>(peak)) : 0.0;
    if (!spectrum_.amplitude.empty()) high = std::max(high, LevelOf(0));
    top_ = std::isfinite(high) ? std::ceil(high / 10.0) * 10.0 + 10.0 : 0.0;
    bottom_ = top_ - kFloorDb;
    update();
}

void CAmplitudePlot::SetLogAxis(bool on) {
    log_ = on;
    update();
}

void CAmplitudePlot::SetLight(bool on) {
    light_ = on;
    update();
}

int CAmplitudePlot::PeakBin() const {
    const auto& a = spectrum_.amplitude;
    if (a.empty()) return -1;
    if (a.size() == 1) return 0;
    return static_cast<int>(std::max_element(a.begin() + 1, a.end()) - a.begin());
}

double CAmplitudePlot::LevelOf(std::size_t bin) const { return 20.0 * std::log10(spectrum_.amplitude[bin]); }

QRect CAmplitudePlot::PlotRect() const {
    const int left = fontMetrics().horizontalAdvance(QStringLiteral("-000 dB")) + 8;
    const int bottom = fontMetrics().height() + 8;
    return rect().adjusted(left, 8, -12, -bottom);
}

double CAmplitudePlot::XOf(double f) const {
    const QRect r = PlotRect();
    const double fMax = spectrum_.Frequency(spectrum_.amplitude.size() - 1);
    if (fMax <= 0.0) return r.left();
    if (!log_) return r.left() + f / fMax * r.width();
    const double fMin = spectrum_.binHz;
    const double at = std::log10(std::max(f, fMin) / fMin) / std::log10(fMax / fMin);
    return r.left() + (std::isfinite(at) ? at : 0.0) * r.width();
}

double CAmplitudePlot::FrequencyAt(int x) const {
    const QRect r = PlotRect();
    if (spectrum_.amplitude.size() < 2 || x < r.left() || x > r.right() || spectrum_.binHz <= 0.0) return kNaN;
    const double at = static_cast<double>(x - r.left()) / r.width();
    const double fMax = spectrum_.Frequency(spectrum_.amplitude.size() - 1);
    if (!log_) return at * fMax;
    return spectrum_.binHz * std::pow(fMax / spectrum_.binHz, at);
}

void CAmplitudePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor back = light_ ? Qt::white : Qt::black;
    const QColor fore = light_ ? Qt::black : Qt::white;
    const QColor grid = light_ ? QColor(200, 200, 200) : QColor(60, 60, 60);
    const QColor line = light_ ? QColor(0, 90, 200) : QColor(80, 255, 80);
    p.fillRect(rect(), back);
    const QRect r = PlotRect();
    p.setPen(grid);
    for (double db = top_; db >= bottom_; db -= 20.0) {
        const int y = r.top() + static_cast<int>((top_ - db) / (top_ - bottom_) * r.height());
        p.drawLine(r.left(), y, r.right(), y);
        p.setPen(fore);
        p.drawText(QRect(0, y - 8, r.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 dB").arg(static_cast<int>(db)));
        p.setPen(grid);
    }
    p.setPen(fore);
    p.drawRect(r);
    const auto& a = spectrum_.amplitude;
    if (a.size() < 2 || spectrum_.binHz <= 0.0) {
        p.drawText(r, Qt::AlignCenter, a.empty() ? QStringLiteral("No spectrum") : QStringLiteral("One bin only"));
        return;
    }
    const auto yOf = [&](double db) {
        const double clamped = std::clamp(std::isfinite(db) ? db : bottom_, bottom_, top_);
        return r.top() + (top_ - clamped) / (top_ - bottom_) * r.height();
    };
    // One vertical stroke per column from the lowest to the highest level of its bins.
    QPainterPath path;
    int column = -1;
    double lo = 0.0, hi = 0.0;
    const auto flush = [&] {
        if (column < 0) return;
        path.moveTo(column, yOf(hi));
        path.lineTo(column, yOf(lo) + 0.5);
    };
    for (std::size_t k = log_ ? 1 : 0; k < a.size(); ++k) {
        const int x = static_cast<int>(XOf(spectrum_.Frequency(k)));
        const double db = LevelOf(k);
        if (x != column) {
            flush();
            column = x;
            lo = hi = db;
        } else {
            lo = std::min(lo, db);
            hi = std::max(hi, db);
        }
    }
    flush();
    p.setPen(QPen(line, 1));
    p.drawPath(path);
    p.setPen(fore);
    const QString fLeft = log_ ? QString::number(spectrum_.binHz, 'g', 4) : QStringLiteral("0");
    p.drawText(QRect(r.left(), r.bottom() + 2, r.width(), fontMetrics().height() + 4), Qt::AlignLeft,
               fLeft + QStringLiteral(" Hz"));
    p.drawText(QRect(r.left(), r.bottom() + 2, r.width(), fontMetrics().height() + 4), Qt::AlignRight,
               QString::number(spectrum_.Frequency(a.size() - 1), 'g', 6) + QStringLiteral(" Hz"));
    const int peak = PeakBin();
    if (peak > 0 || !log_) {
        const QPointF tip(XOf(spectrum_.Frequency(static_cast<std::size_t>(peak))),
                          yOf(LevelOf(static_cast<std::size_t>(peak))));
        p.setBrush(Qt::red);
        p.setPen(Qt::red);
        p.drawPolygon(QPolygonF({tip, tip + QPointF(-5, -9), tip + QPointF(5, -9)}));
    }
}

void CAmplitudePlot::mouseMoveEvent(QMouseEvent* event) {
    const double f = FrequencyAt(static_cast<int>(event->position().x()));
    if (std::isnan(f)) {
        emit pointerMoved(kNaN, kNaN);
        return;
    }
    const auto bin = std::min<std::size_t>(static_cast<std::size_t>(std::llround(f / spectrum_.binHz)),
                                           spectrum_.amplitude.size() - 1);
    emit pointerMoved(spectrum_.Frequency(bin), LevelOf(bin));
}

void CAmplitudePlot::leaveEvent(QEvent*) { emit pointerMoved(kNaN, kNaN); }

}  // namespace kivelo::app
