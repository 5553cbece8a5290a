#pragma once
// File > Export...: the format (one per file ending of the exporter's table),
// the records, the traces and the stretch of samples to write.
#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "app/export/ExportChoice.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QSpinBox;

namespace kivelo::app {

struct ExportDialogInput {
    std::vector<std::string> traceNames;  // of the file, in file order
    int recordCount = 1;
    int currentRecord = 0;
    bool zoomShown = false;
};

class CExportDialog final : public QDialog {
    Q_OBJECT
public:
    CExportDialog(const ExportDialogInput& input, QWidget* parent);

    ExportChoice Choice() const;

    // Runs the dialog modally: the choice on OK, nothing on Cancel.
    static std::optional<ExportChoice> Choose(const ExportDialogInput& input, QWidget* parent);

private:
    // Formats with one time axis take one record: the others are offered only
    // where the format keeps records apart.
    void FormatChanged();

    QComboBox* format_ = nullptr;
    std::vector<std::string> endings_;  // per format entry
    QButtonGroup* records_ = nullptr;
    QSpinBox* from_ = nullptr;
    QSpinBox* to_ = nullptr;
    QButtonGroup* traces_ = nullptr;
    std::vector<QCheckBox*> chosen_;
    QButtonGroup* span_ = nullptr;
};

}  // namespace kivelo::app
