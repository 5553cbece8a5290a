#include "app/instrument/CRecorderControlDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "instrument/download/RemoteHistory.h"

namespace kivelo::app {

namespace {

// The typed text as the lists keep it: at most 256 bytes of UTF-8, never cut
// inside a character.
std::string ListText(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (static_cast<std::size_t>(bytes.size()) > RemoteHistory::kMaxTextLength) {
        qsizetype end = static_cast<qsizetype>(RemoteHistory::kMaxTextLength);
        while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
        bytes.truncate(end);
    }
    return bytes.toStdString();
}

QComboBox* MakeList(int id, const QString& name, const QString& description, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("id%1").arg(id));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);  // the dialog keeps the history itself
    combo->setMaxCount(static_cast<int>(RemoteHistory::kMaxEntries));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    combo->lineEdit()->setMaxLength(static_cast<int>(RemoteHistory::kMaxTextLength));
    combo->setAccessibleName(name);
    combo->setAccessibleDescription(description);
    combo->view()->setAccessibleName(name + QStringLiteral(" history"));
    combo->view()->verticalScrollBar()->setAccessibleName(name + QStringLiteral(" history scroll bar"));
    combo->view()->horizontalScrollBar()->setAccessibleName(name + QStringLiteral(" history scroll bar"));
    return combo;
}

}  // namespace

CRecorderControlDialog::CRecorderControlDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RecorderControlDialog"));
    setWindowTitle(QStringLiteral("Setup QV818"));
    setAccessibleName(QStringLiteral("Setup QV818"));
    setAccessibleDescription(QStringLiteral("Setup QV818 ( Some setup is not available for other QV )"));
    setModal(false);

    combos_[0] =
        MakeList(1066, QStringLiteral("File name"), QStringLiteral("File name for saving on the recorder"), this);
    combos_[1] =
        MakeList(1069, QStringLiteral("File comment"), QStringLiteral("Comment for saving on the recorder"), this);
    combos_[2] = MakeList(1071, QStringLiteral("Copy file name"), QStringLiteral("File name for the hard copy"), this);
    combos_[3] = MakeList(1070, QStringLiteral("Copy comment"), QStringLiteral("Comment for the hard copy"), this);
    for (QComboBox* combo : combos_) combo->lineEdit()->installEventFilter(this);

    auto* file = new QGroupBox(QStringLiteral("File Menu"), this);
    file->setObjectName(QStringLiteral("groupFileMenu"));
    file->setAccessibleName(QStringLiteral("File Menu"));
    auto* fileGrid = new QGridLayout(file);
    fileGrid->addWidget(combos_[0], 0, 0);
    fileGrid->addWidget(AddButton(QStringLiteral("FileName"), 1074, QStringLiteral("Send the file name for saving"),
                                  RemoteAction::kFileName),
                        0, 1);
    fileGrid->addWidget(combos_[1], 1, 0);
    fileGrid->addWidget(AddButton(QStringLiteral("Comment"), 1072, QStringLiteral("Send the comment for saving"),
                                  RemoteAction::kFileComment),
                        1, 1);
    fileGrid->addWidget(AddButton(QStringLiteral("Save"), 1068, QStringLiteral("Save the waveform on the recorder"),
                                  RemoteAction::kSaveWaveform),
                        2, 1);
    fileGrid->setColumnStretch(0, 1);

    auto* copy = new QGroupBox(QStringLiteral("Copy Menu"), this);
    copy->setObjectName(QStringLiteral("groupCopyMenu"));
    copy->setAccessibleName(QStringLiteral("Copy Menu"));
    auto* copyGrid = new QGridLayout(copy);
    copyGrid->addWidget(combos_[2], 0, 0);
    copyGrid->addWidget(AddButton(QStringLiteral("FileName"), 1067,
                                  QStringLiteral("Send the file name of the hard copy"), RemoteAction::kCopyFileName),
                        0, 1);
    copyGrid->addWidget(combos_[3], 1, 0);
    copyGrid->addWidget(AddButton(QStringLiteral("Comment"), 1073, QStringLiteral("Send the comment of the hard copy"),
                                  RemoteAction::kCopyComment),
                        1, 1);
    copyGrid->addWidget(
        AddButton(QStringLiteral("Hard Copy"), 1075, QStringLiteral("Make a hard copy"), RemoteAction::kHardCopy), 2,
        1);
    copyGrid->setColumnStretch(0, 1);

    auto* run = new QGroupBox(QStringLiteral("Start/Stop"), this);
    run->setObjectName(QStringLiteral("groupStartStop"));
    run->setAccessibleName(QStringLiteral("Start/Stop"));
    auto* runRow = new QHBoxLayout(run);
    runRow->addWidget(
        AddButton(QStringLiteral("Start"), 1076, QStringLiteral("Start acquisition"), RemoteAction::kStart));
    runRow->addWidget(AddButton(QStringLiteral("Single Start"), 1078, QStringLiteral("Start a single acquisition"),
                                RemoteAction::kSingleStart));
    runRow->addWidget(
        AddButton(QStringLiteral("Log Start"), 1077, QStringLiteral("Start logging"), RemoteAction::kLogStart));
    runRow->addWidget(AddButton(QStringLiteral("Stop"), 1079, QStringLiteral("Stop acquisition"), RemoteAction::kStop));

    auto* close = new QPushButton(QStringLiteral("CLOSE"), this);
    close->setObjectName(QStringLiteral("idCANCEL"));
    close->setAccessibleName(QStringLiteral("CLOSE"));
    close->setAccessibleDescription(QStringLiteral("Keep the texts and close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &CRecorderControlDialog::reject);

    auto* menus = new QHBoxLayout;
    menus->addWidget(file, 1);
    menus->addWidget(copy, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(run, 1);
    bottom->addWidget(close, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addLayout(menus);
    layout->addLayout(bottom);

    resize(QSize(430, 250).expandedTo(minimumSizeHint()));
}

QPushButton* CRecorderControlDialog::AddButton(const QString& text, int id, const QString& description,
                                               RemoteAction action) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setAccessibleName(text);
    button->setAccessibleDescription(description);
    // Enter is the dialog's own action (keep the texts); a focused button takes Space.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action] { OnAction(action); });
    return button;
}

void CRecorderControlDialog::SetLists(const RemoteLists& lists) {
    lists_ = lists;
    ShowLists();
    for (QComboBox* combo : combos_) combo->setEditText(QString());
}

void CRecorderControlDialog::ShowAt(QPoint topLeft) {
    setGeometry(QRect(topLeft, QSize(430, 250).expandedTo(minimumSizeHint())));
    show();
    raise();
    activateWindow();
    combos_[0]->setFocus(Qt::OtherFocusReason);
}

void CRecorderControlDialog::UpdateHistories() {
    lists_.Update(ListText(combos_[0]->currentText()), ListText(combos_[1]->currentText()),
                  ListText(combos_[2]->currentText()), ListText(combos_[3]->currentText()));
    ShowLists();
    if (listsChanged) listsChanged();
}

void CRecorderControlDialog::ShowLists() {
    const std::array<const RemoteHistory*, 4> histories = {&lists_.fileName, &lists_.fileComment, &lists_.copyFileName,
                                                           &lists_.copyComment};
    for (std::size_t i = 0; i < combos_.size(); ++i) {
        QComboBox* combo = combos_[i];
        const QString typed = combo->currentText();
        combo->clear();
        for (const std::string& entry : histories[i]->Entries()) combo->addItem(QString::fromStdString(entry));
        // A text just taken sits at the top and is selected; an empty edit stays empty.
        if (!typed.isEmpty() && combo->count() > 0) combo->setCurrentIndex(0);
        else combo->setEditText(QString());
    }
}

void CRecorderControlDialog::OnAction(RemoteAction action) {
    const RemoteHistory* list = lists_.ListOf(action);
    if (list != nullptr) UpdateHistories();
    const std::string line = RemoteCommandText(action, list != nullptr ? list->First() : std::string());
    if (line.empty() || !sendLine) return;
    sendLine(line);
}

void CRecorderControlDialog::accept() { UpdateHistories(); }

void CRecorderControlDialog::reject() {
    UpdateHistories();
    hide();
    if (closed) closed();
}

void CRecorderControlDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CRecorderControlDialog::eventFilter(QObject* watched, QEvent* event) {
    // The lists' edits would keep Enter and Escape to themselves.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
        if (key == Qt::Key_Escape) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kivelo::app
