#pragma once
// The colours a captured picture is printed with. On a printer without
// colour the table becomes black and white by the display mode's rule: in
// light mode near-white colours stay white and the rest turns black, in dark
// mode near-black turns black and the rest white; before that, an entry with
// a zero component prints black and entries 1 to 4 (light) or 1 to 3 (dark)
// print white. A colour printer gets the clean-up rule of the saved images
// (near white to white, near black to black).
#include <vector>

#include "export/BmpDib.h"

namespace kivelo {

// Changes table in place for one printed page.
void ApplyPrintColourRule(std::vector<BmpColour>& table, bool monochromePrinter, bool lightMode);

}  // namespace kivelo
