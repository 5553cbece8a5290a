#include "frame/CCommandModule.h"

namespace kivelo::app {

std::vector<std::unique_ptr<CCommandModule>> MakeCommandModules(CMainFrame& frame) {
    std::vector<std::unique_ptr<CCommandModule>> modules;
    (void)frame;
    return modules;
}

}  // namespace kivelo::app
