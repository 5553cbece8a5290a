// The settings record loader on arbitrary bytes as kivelo.stp: load, check,
// keep aside, and the rules that turn the record into what the program applies.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "app/core/SettingsCheck.h"
#include "app/core/SettingsRules.h"
#include "app/core/SettingsStore.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsShare(double v) { return std::isfinite(v) && v >= 0.0 && v <= 1.0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kivelo::app;
    static const kivelo::fuzz::ScratchDir dir;
    const std::string path = dir.Write("kivelo.stp", {data, size});
    SettingsRecord record;
    const SettingsOpening opening = SettingsStore::Open(path, record);
    if (!opening.keptAs.empty()) {
        // The copy holds the file's bytes exactly.
        struct stat st {};
        Require(::stat(opening.keptAs.c_str(), &st) == 0 && static_cast<size_t>(st.st_size) == size);
        ::unlink(opening.keptAs.c_str());
    }
    // A checked record passes a second check untouched.
    SettingsRecord again = record;
    Require(CheckSettings(again).badFields.empty() || !opening.apply);
    if (opening.apply) Require(again == record);

    const AppliedSettings applied = ApplySettingsRules(record, opening.apply);
    if (applied.stored) {
        const StoredSettings& s = *applied.stored;
        Require(IsShare(s.shares.main) && IsShare(s.shares.history) && IsShare(s.shares.right));
        Require(s.gpibAddress >= 1 && s.gpibAddress <= 30 && (s.serialPort == 1 || s.serialPort == 2));
        Require(s.divisionsPosition >= 0 && s.divisionsPosition <= 4);
        for (const std::string& e : s.headerEntries) Require(PrintableSettingsText(e, false));
        Require(PrintableSettingsText(s.notes, true));
    }
    return 0;
}
