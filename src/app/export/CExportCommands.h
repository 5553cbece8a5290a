#pragma once
// The File menu's export, conversion, image and printing commands.
#include "app/export/CDataExport.h"
#include "app/export/CImageExport.h"
#include "app/export/CRecordExport.h"
#include "app/frame/CCommandModule.h"

namespace kivelo::app {

class CPrintCommands;

class CExportCommands : public CCommandModule {
public:
    explicit CExportCommands(CCommandHost& frame);

    void SettingsLoaded() override;
    void StoreSettings() override;

private:
    CDataExport data_;
    CImageExport images_;
    CRecordExport records_;
    CPrintCommands* print_;  // owned by the frame
};

}  // namespace kivelo::app
