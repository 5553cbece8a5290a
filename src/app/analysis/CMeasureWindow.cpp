#include "app/analysis/CMeasureWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

#include "app/frame/CCommandHost.h"
#include "display/NumberFormat.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

namespace {

// clang-format off
const char* const kColumns[] = {"Trace", "Name", "Min", "Max", "P-P", "Mean", "RMS", "AC RMS", "Frequency", "Period",
                                "Duty", "Rise", "Fall", "NaN"};
// clang-format on
constexpr int kFollowMs = 50;

QString Value(const std::optional<double>& v, const std::string& unit, double resolution) {
    if (!v) return QStringLiteral("-");
    std::string text;
    FormatValue(*v, unit, 4, resolution, true, text);
    return QString::fromStdString(text).trimmed();
}

}  // namespace

CMeasureWindow::CMeasureWindow(CCommandHost& frame)
    : CFollowingWindow(frame, kFollowMs), frame_(frame), reader_(frame.Document().Options()) {
    setObjectName(QStringLiteral("measureWindow"));
    setWindowTitle(QStringLiteral("Measure"));
    setAccessibleName(QStringLiteral("Measure"));
    auto* layout = new QVBoxLayout(this);
    span_ = new QComboBox(this);
    span_->setObjectName(QStringLiteral("measureSpan"));
    span_->setAccessibleName(QStringLiteral("Span measured"));
    span_->addItems(
        {QStringLiteral("Zoom stretch"), QStringLiteral("Between the cursors"), QStringLiteral("Whole record")});
    where_ = new QLabel(this);
    where_->setObjectName(QStringLiteral("measureWhere"));
    where_->setAccessibleName(QStringLiteral("Samples measured"));
    table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    table_->setObjectName(QStringLiteral("measureTable"));
    table_->setAccessibleName(QStringLiteral("Measurements"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalScrollBar()->setAccessibleName(QStringLiteral("Measurements across"));
    table_->verticalScrollBar()->setAccessibleName(QStringLiteral("Measurements down"));
    for (auto* corner : table_->findChildren<QAbstractButton*>())
        corner->setAccessibleName(QStringLiteral("Select the whole table"));
    QStringList heads;
    for (const char* c : kColumns) heads << QString::fromLatin1(c);
    table_->setHorizontalHeaderLabels(heads);
    layout->addWidget(span_);
    layout->addWidget(where_);
    layout->addWidget(table_);
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    copy->setObjectName(QStringLiteral("measureCopy"));
    connect(copy, &QShortcut::activated, this, [this] { QApplication::clipboard()->setText(TableCsv()); });
    connect(span_, &QComboBox::currentIndexChanged, this, [this] {
        Follow();
        emit spanChoiceChanged();
    });
    resize(1000, 260);
}

CMeasureWindow::~CMeasureWindow() = default;

SpanChoice CMeasureWindow::Choice() const { return static_cast<SpanChoice>(std::max(span_->currentIndex(), 0)); }

void CMeasureWindow::Follow() {
    Request r;
    r.where = CurrentSpan(frame_.Document(), frame_.Model(), Choice());
    if (!r.where.path.empty()) r.traces = ZoomTraces(frame_.Model());
    if (r == asked_ && askedSerial_ != 0) return;
    asked_ = r;
    const RecordSpan& w = r.where;
    where_->setText(w.path.empty() ? QStringLiteral("No file")
                                   : QStringLiteral("Record %1, samples %2 to %3 (%4)")
                                         .arg(w.block)
                                         .arg(w.span.first)
                                         .arg(w.span.first + w.span.count - 1)
                                         .arg(w.span.count));
    Submit(r);
}

void CMeasureWindow::Submit(const Request& request) {
    const uint64_t serial = ++askedSerial_;
    const RecordSpan& w = request.where;
    if (w.path.empty() || w.span.count <= 0) {
        Show(serial, {}, QString(), true);
        return;
    }
    worker_.Submit([this, w, traces = request.traces, serial](const std::atomic<bool>& stop) {
        const auto post = [this, serial](std::vector<MeasuredTrace> rows, QString error, bool complete) {
            QMetaObject::invokeMethod(
                this, [this, serial, rows = std::move(rows), error, complete] { Show(serial, rows, error, complete); },
                Qt::QueuedConnection);
        };
        std::string error;
        CWaveFile* file = reader_.Get(w.path, w.generation, error);
        if (file == nullptr) return post({}, QString::fromStdString(error), true);
        std::vector<MeasuredTrace> rows;
        MeasureOptions options;
        options.stop = &stop;
        options.stopSummary = &worker_.Quitting();
        options.cache = &reader_.Cache();
        // The moments first (quick once summarised), then the crossings, which read the span.
        for (bool crossings : {false, true}) {
            options.crossings = crossings;
            rows.clear();
            for (const auto& [shown, trace] : traces) {
                MeasuredTrace row;
                DescribeTrace(*file, trace, row);
                row.label = "W" + std::to_string(shown + 1);
                if (!MeasureTrace(*file, w.block, trace, w.span.first, w.span.count, row.values, error, options)) {
                    if (stop) return;
                    return post({}, QString::fromStdString(row.label + ": " + error), true);
                }
                rows.push_back(std::move(row));
            }
            post(rows, QString(), crossings);
        }
    });
}

void CMeasureWindow::Show(uint64_t serial, const std::vector<MeasuredTrace>& rows, const QString& error,
                          bool complete) {
    if (serial != askedSerial_) return;  // a newer span was asked for meanwhile
    shownSerial_ = serial;
    complete_ = complete;
    if (!error.isEmpty()) where_->setText(error);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const MeasuredTrace& t = rows[static_cast<size_t>(r)];
        const TraceMeasurement& m = t.values;
        std::optional<double> duty;
        if (m.duty) duty = *m.duty * 100.0;
        const bool pending = !complete;
        const QString later = QStringLiteral("...");
        const QString cells[] = {QString::fromStdString(t.label),
                                 QString::fromStdString(t.name),
                                 Value(m.min, t.unit, 0),
                                 Value(m.max, t.unit, 0),
                                 Value(m.pp, t.unit, 0),
                                 Value(m.mean, t.unit, 0),
                                 Value(m.rms, t.unit, 0),
                                 Value(m.acrms, t.unit, 0),
                                 pending ? later : Value(m.frequency, "Hz", 0),
                                 pending ? later : Value(m.period, "s", 0),
                                 pending ? later : Value(duty, "%", 0),
                                 pending ? later : Value(m.rise, "s", 0),
                                 pending ? later : Value(m.fall, "s", 0),
                                 QString::number(m.nan)};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            auto* item = table_->item(r, c);
            if (item == nullptr) table_->setItem(r, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
    table_->resizeColumnsToContents();
}

QString CMeasureWindow::TableCsv() const {
    QStringList lines;
    QStringList heads;
    for (const char* c : kColumns) heads << QString::fromLatin1(c);
    lines << heads.join(QLatin1Char(','));
    for (int r = 0; r < table_->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table_->columnCount(); ++c) {
            QString text = table_->item(r, c) ? table_->item(r, c)->text() : QString();
            if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')))
                text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
            cells << text;
        }
        lines << cells.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace kivelo::app
