#pragma once
// Print, Print Preview, Print Setup and Print Format. Printing and preview
// take a picture of the frame's window area when they start and draw one
// page from it; a printer without colour gets black and white by the
// display mode. A PDF file chosen in the print dialog is written whole or
// not at all.
#include <QObject>
#include <QPointer>
#include <QPrinter>

#include <memory>
#include <optional>
#include <string>

#include "export/BmpDib.h"
#include "export/RecentTextList.h"

class QPainter;

namespace kivelo::app {

class CCommandHost;
class CPrintFormatDialog;
struct PrintTexts;

class CPrintCommands : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kInitialNotes = "Notes-----------------------------------------";

    explicit CPrintCommands(CCommandHost& frame);
    ~CPrintCommands() override;

    void Print();
    void Preview();
    void Setup();
    void ShowFormat();

    // The lists and notes from the settings record, and the notes back into it.
    void SettingsLoaded();
    void StoreSettings();

    // The printer of Print, Print Preview and Print Setup, made at its first use
    // (asking the system for its printers can take a moment).
    QPrinter& Printer();
    CPrintFormatDialog& FormatDialog();
    const RecentTextList& Headers() const { return headers_; }
    const RecentTextList& Footers() const { return footers_; }
    const std::string& Notes() const { return notes_; }
    bool Previewing() const { return previewing_; }
    // The picture of the running print or preview.
    const std::optional<PackedDib>& Picture() const { return picture_; }

    // Draws the page of the captured picture; false without one.
    bool DrawPage(QPainter& painter, bool monochrome) const;

private:
    void Capture();
    void EndPrinting();
    void PrintPage();
    bool WritePdf(const QString& path);
    void OnFormatOk();
    PrintTexts Texts() const;

    CCommandHost& frame_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<CPrintFormatDialog> dialog_;
    RecentTextList headers_;
    RecentTextList footers_;
    std::string notes_ = kInitialNotes;
    std::optional<PackedDib> picture_;
    int screenDpiX_ = 96;
    int screenDpiY_ = 96;
    bool previewing_ = false;
};

}  // namespace kivelo::app
