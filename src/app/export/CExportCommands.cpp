#include "app/export/CExportCommands.h"

#include "app/core/CommandTable.h"
#include "app/core/SettingsRecord.h"
#include "app/export/CPrintCommands.h"
#include "app/frame/CCommandHost.h"

namespace kivelo::app {

CExportCommands::CExportCommands(CCommandHost& frame)
    : data_(frame), images_(frame), records_(frame), print_(new CPrintCommands(frame)) {
    frame.Handle(cmd::kCsvAll, [this] { data_.SaveAllAsCsv(); });
    frame.Handle(cmd::kCsvZoom, [this] { data_.SaveZoomAsCsv(); });
    frame.Handle(cmd::kConvertCsv, [this] { data_.ConvertToCsv(); });
    const std::pair<int, int> converts[] = {
        {cmd::kConvertWvfAll, 0}, {cmd::kConvertWvf100, 1}, {cmd::kConvertWvf1000, 2}};
    for (auto [id, mode] : converts) frame.Handle(id, [this, mode = mode] { data_.ConvertToWvf(mode); });
    const std::pair<int, int> saves[] = {{cmd::kSaveWvfAll, 0}, {cmd::kSaveWvf100, 1}, {cmd::kSaveWvf1000, 2}};
    for (auto [id, mode] : saves) frame.Handle(id, [this, mode = mode] { data_.SaveAsWvf(mode); });

    frame.Handle(cmd::kBmpAll, [this] { images_.Save(std::nullopt); });
    const std::pair<int, WindowId> windows[] = {{cmd::kBmpMain, WindowId::Main},
                                                {cmd::kBmpZoom, WindowId::Zoom},
                                                {cmd::kBmpHistory, WindowId::History},
                                                {cmd::kBmpXy, WindowId::Xy}};
    for (auto [id, window] : windows) frame.Handle(id, [this, window = window] { images_.Save(window); });

    frame.Handle(cmd::kPrint, [this] { print_->Print(); });
    frame.Handle(cmd::kPrintPreview, [this] { print_->Preview(); });
    frame.Handle(cmd::kPrintSetup, [this] { print_->Setup(); });
    frame.Handle(cmd::kPrintFormat, [this] { print_->ShowFormat(); });
    frame.Handle(cmd::kExport, [this] { records_.Run(); });
}

void CExportCommands::SettingsLoaded() { print_->SettingsLoaded(); }
void CExportCommands::StoreSettings() { print_->StoreSettings(); }

}  // namespace kivelo::app
