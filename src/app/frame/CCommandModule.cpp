#include "app/frame/CCommandModule.h"

#include "app/analysis/CAnalysisCommands.h"
#include "app/export/CExportCommands.h"
#include "app/instrument/CInstrumentCommands.h"

namespace kivelo::app {

std::vector<std::unique_ptr<CCommandModule>> MakeCommandModules(CMainFrame& frame) {
    std::vector<std::unique_ptr<CCommandModule>> modules;
    (void)frame;
    modules.push_back(std::make_unique<CExportCommands>(frame));
    modules.push_back(std::make_unique<CInstrumentCommands>(frame));
    modules.push_back(std::make_unique<CAnalysisCommands>(frame));
    return modules;
}

}  // namespace kivelo::app
