// The one place that knows every command module of the program.
#include "app/analysis/CAnalysisCommands.h"
#include "app/export/CExportCommands.h"
#include "app/frame/CCommandModule.h"
#include "app/instrument/CInstrumentCommands.h"

namespace kivelo::app {

std::vector<std::unique_ptr<CCommandModule>> MakeCommandModules(CCommandHost& host) {
    std::vector<std::unique_ptr<CCommandModule>> modules;
    modules.push_back(std::make_unique<CExportCommands>(host));
    modules.push_back(std::make_unique<CInstrumentCommands>(host));
    modules.push_back(std::make_unique<CAnalysisCommands>(host));
    return modules;
}

}  // namespace kivelo::app
