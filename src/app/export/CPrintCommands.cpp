#include "app/export/CPrintCommands.h"

#include <QDir>
#include <QMainWindow>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QToolBar>

#include <algorithm>

#include "app/core/SettingsRecord.h"
#include "app/export/CPrintFormatDialog.h"
#include "app/export/CPrintPagePainter.h"
#include "app/export/DibImage.h"
#include "app/export/ExportPrompts.h"
#include "app/frame/CCommandHost.h"
#include "app/windows/CWindowArea.h"

namespace kivelo::app {
namespace {

std::vector<std::string> StoredEntries(const SettingsRecord& record, SettingsList list) {
    std::vector<std::string> entries;
    for (const std::string& e : record.ListSlots(list))
        if (!e.empty()) entries.push_back(e);
    return entries;
}

// The toolbar's entry that holds the toolbar panel.
QAction* ToolbarPanelAction(CCommandHost& frame) {
    auto* bar = frame.Widget().findChild<QToolBar*>(QStringLiteral("toolBar"));
    auto* panel = frame.Widget().findChild<QWidget*>(QStringLiteral("toolbarPanel"));
    if (!bar || !panel) return nullptr;
    for (QAction* a : bar->actions())
        if (bar->widgetForAction(a) == panel) return a;
    return nullptr;
}

bool Monochrome(const QPrinter& printer) { return printer.colorMode() == QPrinter::GrayScale; }

}  // namespace

CPrintCommands::CPrintCommands(CCommandHost& frame) : QObject(&frame.Widget()), frame_(frame) {
    setObjectName(QStringLiteral("printCommands"));
    dialog_ = new CPrintFormatDialog(&frame.Widget());
    dialog_->hide();
    dialog_->onOk = [this] { OnFormatOk(); };
    dialog_->onCancel = [this] { frame_.Model().redraw.MarkAll(true); };
}

CPrintCommands::~CPrintCommands() {
    // The dialog may outlive this object among the frame's children.
    if (dialog_) dialog_->onOk = dialog_->onCancel = nullptr;
}

CPrintFormatDialog& CPrintCommands::FormatDialog() { return *dialog_; }

QPrinter& CPrintCommands::Printer() {
    if (printer_) return *printer_;
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setDocName(QStringLiteral("Kivelo"));
    printer_->setCreator(QStringLiteral("Kivelo"));
    // Without a printer the print dialog offers a PDF file; name one so the field is never empty.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QDir::current().filePath(QStringLiteral("kivelo.pdf")));
    }
    return *printer_;
}

// ---- settings -------------------------------------------------------------

void CPrintCommands::SettingsLoaded() {
    const SettingsRecord& record = frame_.Settings();
    // An all-zero record was not read from a file: the built-in texts stay.
    const auto& raw = record.Raw();
    if (std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; })) return;
    notes_ = record.PrintNotes();
    const std::vector<std::string> headers = StoredEntries(record, SettingsList::Header);
    const std::vector<std::string> footers = StoredEntries(record, SettingsList::Footer);
    headers_.Assign(headers);
    footers_.Assign(footers);
    dialog_->SetHeaderEntries(headers_.Entries());
    dialog_->SetFooterEntries(footers_.Entries());
    dialog_->SetNotes(QString::fromStdString(notes_));
}

void CPrintCommands::StoreSettings() { frame_.Settings().SetPrintNotes(notes_); }

// ---- print format ---------------------------------------------------------

void CPrintCommands::ShowFormat() {
    dialog_->SelectFirstEntries();
    dialog_->setGeometry(QRect(frame_.Widget().geometry().topLeft() + QPoint(50, 150), QSize(580, 260)));
    dialog_->show();
    dialog_->raise();
}

void CPrintCommands::OnFormatOk() {
    notes_ = dialog_->NotesText().toStdString();
    headers_.Push(dialog_->HeaderText().toStdString());
    footers_.Push(dialog_->FooterText().toStdString());
    dialog_->SetHeaderEntries(headers_.Entries());
    dialog_->SetFooterEntries(footers_.Entries());
    SettingsRecord& record = frame_.Settings();
    record.StoreList(SettingsList::Header, headers_.Entries());
    record.StoreList(SettingsList::Footer, footers_.Entries());
    frame_.Model().redraw.MarkAll(true);
}

// ---- printing -------------------------------------------------------------

PrintTexts CPrintCommands::Texts() const {
    return {QString::fromStdString(headers_.First()), QString::fromStdString(footers_.First()),
            QString::fromStdString(notes_)};
}

void CPrintCommands::Capture() {
    // Drawn now, not marked: the picture is taken next.
    frame_.RedrawWindows(kAllWindows);
    // The window area is the frame's client rectangle below the panel strip:
    // x 4, y = panel height, frame width - 8 by frame height - panel height - 22.
    const QImage shot = frame_.Area().grab().toImage();
    picture_ = DibOfImage(shot);
    // Pixels of the picture per inch of the screen, so it prints at its size on the screen.
    const double dpr = std::max(shot.devicePixelRatio(), 1.0);
    screenDpiX_ = std::max(1, static_cast<int>(frame_.Widget().logicalDpiX() * dpr));
    screenDpiY_ = std::max(1, static_cast<int>(frame_.Widget().logicalDpiY() * dpr));
}

bool CPrintCommands::DrawPage(QPainter& painter, bool monochrome) const {
    if (!picture_) return false;
    const CPrintPagePainter page(*picture_, Texts(), screenDpiX_, screenDpiY_);
    return page.Paint(painter, monochrome, frame_.Model().LightMode());
}

void CPrintCommands::EndPrinting() {
    previewing_ = false;
    picture_.reset();
    if (QAction* panel = ToolbarPanelAction(frame_)) panel->setVisible(true);
    frame_.Area().show();
    frame_.LayOutWindows(true);
}

bool CPrintCommands::WritePdf(const QString& path) {
    const QPrinter& printer = Printer();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(printer.resolution());
        pdf.setPageLayout(printer.pageLayout());
        pdf.setTitle(printer.docName());
        pdf.setCreator(printer.creator());
        QPainter painter;
        if (!painter.begin(&pdf) || !DrawPage(painter, Monochrome(printer))) {
            file.cancelWriting();
            return false;
        }
        painter.end();
    }
    return file.commit();
}

void CPrintCommands::PrintPage() {
    QPrinter& printer = Printer();
    bool done = false;
    QString target;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF file appears only when complete and never half replaces an older one.
        target = printer.outputFileName();
        done = !target.isEmpty() && WritePdf(target);
    } else {
        target = printer.printerName();
        QPainter painter;
        done = painter.begin(&printer) && DrawPage(painter, Monochrome(printer));
        if (painter.isActive()) done = painter.end() && done;
    }
    if (!done) prompt::ShowError(frame_, QStringLiteral("The page was not printed to\n") + target);
}

void CPrintCommands::Print() {
    Capture();
    {
        QPrintDialog dialog(&Printer(), &frame_.Widget());
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        if (dialog.exec() == QDialog::Accepted) PrintPage();
    }
    EndPrinting();
    frame_.Model().redraw.MarkAll(false);
}

void CPrintCommands::Preview() {
    Capture();
    previewing_ = true;
    // The windows go with the area that holds them, so that a layout meanwhile can't show them again.
    frame_.Area().hide();
    if (QAction* panel = ToolbarPanelAction(frame_)) panel->setVisible(false);
    {
        QPrintPreviewDialog preview(&Printer(), &frame_.Widget());
        preview.setObjectName(QStringLiteral("printPreview"));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
            QPainter painter(printer);
            DrawPage(painter, Monochrome(*printer));
        });
        preview.exec();
    }
    EndPrinting();
    frame_.Model().redraw.MarkAll(false);
}

void CPrintCommands::Setup() {
    {
        QPageSetupDialog dialog(&Printer(), &frame_.Widget());
        dialog.setObjectName(QStringLiteral("printSetup"));
        dialog.exec();
    }
    frame_.Model().redraw.MarkAll(false);
}

}  // namespace kivelo::app
