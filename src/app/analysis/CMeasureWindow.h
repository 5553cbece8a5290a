#pragma once
// The Measure window: one row per trace the Zoom window shows, with min, max,
// pp, mean, rms, acrms, frequency, period, duty, rise and fall of the chosen span
// (the Zoom stretch, between the cursors, the whole record). It follows the
// display live; the values are computed on a worker thread and shown when ready,
// the last ones staying meanwhile. Ctrl+C copies the table as CSV text.

#include <string>
#include <utility>
#include <vector>

#include "analysis/LatestJob.h"
#include "analysis/Measurement.h"
#include "app/analysis/CFollowingWindow.h"
#include "app/analysis/MeasureSpan.h"
#include "app/analysis/PrivateReader.h"

class QComboBox;
class QLabel;
class QTableWidget;
class QTimer;

namespace kivelo::app {

class CCommandHost;

class CMeasureWindow : public CFollowingWindow {
    Q_OBJECT
public:
    explicit CMeasureWindow(CCommandHost& frame);
    ~CMeasureWindow() override;

    SpanChoice Choice() const;
    // Asks for new values when the display's span, record or traces changed.
    void Follow() override;
    // The table's texts as CSV (a header line, then one line per row).
    QString TableCsv() const;
    // The values on screen are those of the span now asked for, crossings included.
    bool UpToDate() const { return shownSerial_ == askedSerial_ && complete_; }

signals:
    void spanChoiceChanged();

private:
    struct Request {
        RecordSpan where;
        std::vector<std::pair<int, int>> traces;  // display index, file trace
        friend bool operator==(const Request&, const Request&) = default;
    };
    void Submit(const Request& request);
    void Show(uint64_t serial, const std::vector<MeasuredTrace>& rows, const QString& error, bool complete);

    CCommandHost& frame_;
    QComboBox* span_ = nullptr;
    QLabel* where_ = nullptr;
    QTableWidget* table_ = nullptr;
    Request asked_;
    uint64_t askedSerial_ = 0, shownSerial_ = 0;
    bool complete_ = false;
    PrivateReader reader_;  // the worker's alone
    LatestJob worker_;      // last: stopped before anything it uses goes
};

}  // namespace kivelo::app
