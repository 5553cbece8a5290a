#pragma once
// Validation of a loaded settings record before anything of it is used: every
// text must be terminated inside its field and printable (else it is emptied),
// every number finite and in the range the program writes (else the field's
// default). A record that fails in more than kDamagedAbove fields is not a
// settings file of this program at all: it is kept aside and not used.
#include <string>
#include <vector>

#include "app/core/SettingsRecord.h"

namespace kivelo::app {

struct SettingsCheck {
    static constexpr int kDamagedAbove = 3;
    // The names of the fields that failed and were repaired, in record order.
    std::vector<std::string> badFields;

    bool Damaged() const { return static_cast<int>(badFields.size()) > kDamagedAbove; }
};

// Repairs the record in place and says which fields failed.
SettingsCheck CheckSettings(SettingsRecord& record);

// A text of a settings field: no control characters but tab, CR and LF (those
// only when `multiLine`), no DEL, and well-formed UTF-8.
bool PrintableSettingsText(std::string_view text, bool multiLine);

}  // namespace kivelo::app
