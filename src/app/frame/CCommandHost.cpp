#include "app/frame/CCommandHost.h"

namespace kivelo::app {

CCommandHost::~CCommandHost() = default;

}  // namespace kivelo::app
