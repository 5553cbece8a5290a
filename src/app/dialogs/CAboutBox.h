#pragma once
// The About box: modal, the program icon, the version
// text and OK.
#include <QDialog>

namespace kivelo::app {

class CAboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent);

    // Runs the box modally until OK.
    static void Show(QWidget* parent);
};

}  // namespace kivelo::app
