// kivelo: the desktop program.
#include "frame/CKiveloApp.h"

int main(int argc, char** argv) { return kivelo::app::RunKivelo(argc, argv); }
