#pragma once
// The 24-trace selection behind the "More" buttons of the Main and Zoom
// window panels: a "DISPLAY" group of check boxes W1..W24.
#include <QDialog>
#include <array>
#include <optional>

#include "display/TraceSet.h"

class QCheckBox;

namespace kivelo::app {

class CTraceSelectDialog final : public QDialog {
    Q_OBJECT
public:
    // Check boxes "W1".."W24" show current: 1 checked, 0 unchecked; any other
    // value (2, absent from the document) is shown indeterminate and disabled.
    CTraceSelectDialog(const kivelo::OnOffTable& current, QWidget* parent);

    // The table as the check boxes now show it; entries that were absent keep
    // their value.
    kivelo::OnOffTable Table() const;

    // Runs the dialog modally: the new table on OK, nothing on Cancel.
    static std::optional<kivelo::OnOffTable> Choose(const kivelo::OnOffTable& current, QWidget* parent);

private:
    kivelo::OnOffTable initial_;
    std::array<QCheckBox*, kivelo::kTraceCount> boxes_{};
};

}  // namespace kivelo::app
