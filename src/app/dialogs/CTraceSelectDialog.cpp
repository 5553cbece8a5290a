#include "app/dialogs/CTraceSelectDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivelo::app {

namespace {
constexpr int kColumns = 8;  // three rows of eight, like the panels' W1..W8
}

CTraceSelectDialog::CTraceSelectDialog(const kivelo::OnOffTable& current, QWidget* parent)
    : QDialog(parent), initial_(current) {
    setObjectName(QStringLiteral("TraceSelectDialog"));
    setWindowTitle(tr("Display Traces"));
    setAccessibleName(tr("Display Traces"));
    setAccessibleDescription(tr("Traces shown in the window"));

    auto* group = new QGroupBox(tr("DISPLAY"), this);
    group->setObjectName(QStringLiteral("DISPLAY"));
    group->setAccessibleName(tr("DISPLAY"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < kivelo::kTraceCount; ++i) {
        const QString name = QStringLiteral("W%1").arg(i + 1);
        auto* box = new QCheckBox(name, group);
        box->setObjectName(name);
        box->setAccessibleName(name);
        const uint8_t v = current[static_cast<size_t>(i)];
        if (v == kivelo::kTraceOn || v == kivelo::kTraceOff) {
            box->setChecked(v == kivelo::kTraceOn);
        } else {
            box->setTristate(true);
            box->setCheckState(Qt::PartiallyChecked);
            box->setEnabled(false);
            box->setAccessibleDescription(tr("Not in the file"));
            box->setToolTip(tr("%1 is not in the file").arg(name));
        }
        grid->addWidget(box, i / kColumns, i % kColumns);
        boxes_[static_cast<size_t>(i)] = box;
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setAccessibleName(tr("OK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("idCANCEL"));
    cancel->setAccessibleName(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

kivelo::OnOffTable CTraceSelectDialog::Table() const {
    kivelo::OnOffTable table = initial_;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i] != kivelo::kTraceOn && table[i] != kivelo::kTraceOff) continue;  // absent stays
        table[i] = boxes_[i]->checkState() == Qt::Checked ? kivelo::kTraceOn : kivelo::kTraceOff;
    }
    return table;
}

std::optional<kivelo::OnOffTable> CTraceSelectDialog::Choose(const kivelo::OnOffTable& current, QWidget* parent) {
    CTraceSelectDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Table();
}

}  // namespace kivelo::app
