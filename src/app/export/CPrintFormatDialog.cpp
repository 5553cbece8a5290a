#include "app/export/CPrintFormatDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>

#include "export/PrintPageLayout.h"
#include "export/RecentTextList.h"

namespace kivelo::app {
namespace {

// A list slot of the settings record holds 255 bytes and its terminator.
constexpr int kEntryLength = 255;

QComboBox* MakeList(QWidget* parent, const char* id, const QString& name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(id));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);  // the owner orders the list
    list->setMaxCount(static_cast<int>(RecentTextList::kCapacity));
    // Long entries must not widen the dialog beyond the screen.
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(30);
    list->setAccessibleName(name);
    list->lineEdit()->setMaxLength(kEntryLength);
    list->lineEdit()->setAccessibleName(name + QStringLiteral(" text"));
    return list;
}

}  // namespace

CPrintFormatDialog::CPrintFormatDialog(QWidget* frame) : QDialog(frame) {
    setObjectName(QStringLiteral("PrintFormatDialog"));
    setWindowTitle(tr("Print Format"));
    setAccessibleName(tr("Print Format"));
    setAccessibleDescription(tr("Header, notes and footer of the printed page"));
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);

    header_ = MakeList(this, "id1062", tr("Header"));
    header_->setAccessibleDescription(tr("Line printed above the picture; recent texts in the list"));
    footer_ = MakeList(this, "id1063", tr("Footer"));
    footer_->setAccessibleDescription(tr("Line printed at the bottom of the page; recent texts in the list"));
    notes_ = new QPlainTextEdit(this);
    notes_->setObjectName(QStringLiteral("id1064"));
    notes_->setAccessibleName(tr("Notes"));
    notes_->setAccessibleDescription(tr("Lines printed below the picture, at most 1024 characters"));
    notes_->setTabChangesFocus(true);
    notes_->setPlainText(QStringLiteral("Notes-----------------------------------------"));
    connect(notes_, &QPlainTextEdit::textChanged, this, &CPrintFormatDialog::LimitNotes);

    auto label = [this](const QString& text, const char* name, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setBuddy(buddy);
        return l;
    };
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setAccessibleName(tr("OK"));
    ok->setAccessibleDescription(tr("Keep these texts for printing"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("CANCEL"), this);
    cancel->setObjectName(QStringLiteral("idCANCEL"));
    cancel->setAccessibleName(tr("CANCEL"));
    cancel->setAccessibleDescription(tr("Close without keeping the texts"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->addWidget(label(tr("HEADER"), "labelHeader", header_), 0, 0);
    grid->addWidget(header_, 0, 1);
    grid->addWidget(label(tr("NOTES"), "labelNotes", notes_), 1, 0, Qt::AlignTop);
    grid->addWidget(notes_, 1, 1);
    grid->addWidget(label(tr("FOOTER"), "labelFooter", footer_), 2, 0);
    grid->addWidget(footer_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(ok, &QPushButton::clicked, this, [this] {
        hide();
        if (onOk) onOk();
    });
    connect(cancel, &QPushButton::clicked, this, &CPrintFormatDialog::reject);
    for (QScrollBar* bar : findChildren<QScrollBar*>())
        bar->setAccessibleName(bar->orientation() == Qt::Vertical ? tr("Scroll up and down") : tr("Scroll sideways"));
    resize(580, 260);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setMaximumSize(screen->availableGeometry().size());
}

void CPrintFormatDialog::reject() {
    hide();
    if (onCancel) onCancel();
}

void CPrintFormatDialog::Fill(QComboBox& list, const std::vector<std::string>& entries) {
    const QString text = list.currentText();
    list.clear();
    for (const std::string& e : entries) list.addItem(QString::fromStdString(e));
    list.setEditText(text);
}

void CPrintFormatDialog::SetHeaderEntries(const std::vector<std::string>& entries) { Fill(*header_, entries); }
void CPrintFormatDialog::SetFooterEntries(const std::vector<std::string>& entries) { Fill(*footer_, entries); }

void CPrintFormatDialog::SetNotes(const QString& notes) {
    QString text = notes;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    notes_->setPlainText(text);
}

void CPrintFormatDialog::SelectFirstEntries() {
    for (QComboBox* list : {header_, footer_}) {
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
        list->setEditText(list->count() > 0 ? list->itemText(0) : QString());
    }
}

QString CPrintFormatDialog::HeaderText() const { return header_->currentText(); }
QString CPrintFormatDialog::FooterText() const { return footer_->currentText(); }
QString CPrintFormatDialog::NotesText() const { return notes_->toPlainText(); }

void CPrintFormatDialog::LimitNotes() {
    const QString text = notes_->toPlainText();
    if (text.size() <= PrintPage::kMaxNotes) return;
    QString cut = text.left(PrintPage::kMaxNotes);
    if (cut.back().isHighSurrogate()) cut.chop(1);
    notes_->setPlainText(cut);
    notes_->moveCursor(QTextCursor::End);
}

}  // namespace kivelo::app
