#include "app/export/CExportDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "export/ExportFormats.h"

namespace kivelo::app {

namespace {

constexpr int kTraceColumns = 4;

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

template <class W>
W* Named(W* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

QRadioButton* Radio(QButtonGroup* group, int id, const QString& text, const QString& objectName, QWidget* parent) {
    auto* r = Named(new QRadioButton(text, parent), objectName, text);
    group->addButton(r, id);
    return r;
}

bool ManyRecords(const std::string& ending) {
    const ExportFormatEntry* e = ExportFormatOfPath(ending);
    return e != nullptr && e->make()->ManyRecords();
}

}  // namespace

CExportDialog::CExportDialog(const ExportDialogInput& input, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(tr("Export"));
    setAccessibleName(tr("Export"));

    format_ = Named(new QComboBox(this), QStringLiteral("exportFormat"), tr("Format"));
    QString last;
    for (const ExportFormatEntry& e : ExportFormats()) {
        if (Q(e.title) == last) continue;  // a second ending of the same format
        last = Q(e.title);
        format_->addItem(QStringLiteral("%1 (*%2)").arg(last, Q(e.ending)));
        endings_.emplace_back(e.ending);
    }
    auto* formatRow = new QFormLayout;
    auto* formatLabel = Named(new QLabel(tr("&Format:"), this), QStringLiteral("exportFormatLabel"), tr("Format"));
    formatLabel->setBuddy(format_);
    formatRow->addRow(formatLabel, format_);

    auto* recordBox = Named(new QGroupBox(tr("Records"), this), QStringLiteral("exportRecords"), tr("Records"));
    records_ = new QButtonGroup(this);
    auto* recordGrid = new QGridLayout(recordBox);
    const QString current = tr("Current (No.%1)").arg(input.currentRecord, 4, 10, QLatin1Char('0'));
    recordGrid->addWidget(Radio(records_, 0, current, QStringLiteral("exportRecordCurrent"), recordBox), 0, 0, 1, 4);
    recordGrid->addWidget(
        Radio(records_, 1, tr("All (%1)").arg(input.recordCount), QStringLiteral("exportRecordAll"), recordBox), 1, 0,
        1, 4);
    recordGrid->addWidget(Radio(records_, 2, tr("From"), QStringLiteral("exportRecordRange"), recordBox), 2, 0);
    from_ = Named(new QSpinBox(recordBox), QStringLiteral("exportRecordFrom"), tr("First record"));
    to_ = Named(new QSpinBox(recordBox), QStringLiteral("exportRecordTo"), tr("Last record"));
    // Records are numbered from 0, as the windows show them.
    for (QSpinBox* s : {from_, to_}) s->setRange(0, std::max(input.recordCount - 1, 0));
    from_->setValue(input.currentRecord);
    to_->setValue(std::max(input.recordCount - 1, 0));
    recordGrid->addWidget(from_, 2, 1);
    recordGrid->addWidget(Named(new QLabel(tr("to"), recordBox), QStringLiteral("exportRecordToLabel"), tr("to")), 2,
                          2);
    recordGrid->addWidget(to_, 2, 3);
    records_->button(0)->setChecked(true);

    auto* traceBox = Named(new QGroupBox(tr("Traces"), this), QStringLiteral("exportTraces"), tr("Traces"));
    traces_ = new QButtonGroup(this);
    auto* traceGrid = new QGridLayout(traceBox);
    traceGrid->addWidget(Radio(traces_, 0, tr("Shown in Main"), QStringLiteral("exportTracesMain"), traceBox), 0, 0, 1,
                         kTraceColumns);
    traceGrid->addWidget(Radio(traces_, 1, tr("All"), QStringLiteral("exportTracesAll"), traceBox), 1, 0, 1,
                         kTraceColumns);
    traceGrid->addWidget(Radio(traces_, 2, tr("These:"), QStringLiteral("exportTracesChosen"), traceBox), 2, 0, 1,
                         kTraceColumns);
    for (std::size_t i = 0; i < input.traceNames.size(); ++i) {
        const QString label = QStringLiteral("W%1").arg(i + 1);
        auto* box =
            Named(new QCheckBox(label + QLatin1Char(' ') + QString::fromStdString(input.traceNames[i]), traceBox),
                  QStringLiteral("exportTrace") + label, label);
        traceGrid->addWidget(box, 3 + static_cast<int>(i) / kTraceColumns, static_cast<int>(i) % kTraceColumns);
        chosen_.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this](bool on) {
            if (on) traces_->button(2)->setChecked(true);
        });
    }
    traces_->button(0)->setChecked(true);

    auto* spanBox = Named(new QGroupBox(tr("Span"), this), QStringLiteral("exportSpan"), tr("Span"));
    span_ = new QButtonGroup(this);
    auto* spanLayout = new QVBoxLayout(spanBox);
    spanLayout->addWidget(Radio(span_, 0, tr("Whole record"), QStringLiteral("exportSpanWhole"), spanBox));
    QRadioButton* zoom = Radio(span_, 1, tr("Zoom stretch"), QStringLiteral("exportSpanZoom"), spanBox);
    zoom->setEnabled(input.zoomShown);
    spanLayout->addWidget(zoom);
    spanLayout->addWidget(Radio(span_, 2, tr("Between the cursors"), QStringLiteral("exportSpanCursors"), spanBox));
    span_->button(0)->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        Named(buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole), QStringLiteral("idOK"), tr("OK"));
    ok->setDefault(true);
    Named(buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole), QStringLiteral("idCANCEL"), tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formatRow);
    layout->addWidget(recordBox);
    layout->addWidget(traceBox);
    layout->addWidget(spanBox);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(format_, &QComboBox::currentIndexChanged, this, &CExportDialog::FormatChanged);
    FormatChanged();
}

void CExportDialog::FormatChanged() {
    const bool many = ManyRecords(endings_[static_cast<std::size_t>(std::max(format_->currentIndex(), 0))]);
    for (int id : {1, 2}) records_->button(id)->setEnabled(many);
    from_->setEnabled(many);
    to_->setEnabled(many);
    if (!many) records_->button(0)->setChecked(true);
}

ExportChoice CExportDialog::Choice() const {
    ExportChoice c;
    c.ending = endings_[static_cast<std::size_t>(std::max(format_->currentIndex(), 0))];
    c.records = static_cast<ExportChoice::Records>(records_->checkedId());
    c.from = from_->value();
    c.to = to_->value();
    c.traces = static_cast<ExportChoice::Traces>(traces_->checkedId());
    for (std::size_t i = 0; i < chosen_.size(); ++i)
        if (chosen_[i]->isChecked()) c.chosen.push_back(static_cast<int>(i));
    c.span = static_cast<ExportChoice::Span>(span_->checkedId());
    return c;
}

std::optional<ExportChoice> CExportDialog::Choose(const ExportDialogInput& input, QWidget* parent) {
    CExportDialog dialog(input, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Choice();
}

}  // namespace kivelo::app
