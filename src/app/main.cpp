// kivelo: the desktop program.
#include "app/frame/CKiveloApp.h"

int main(int argc, char** argv) { return kivelo::app::RunKivelo(argc, argv); }
