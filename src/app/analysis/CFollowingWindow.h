#pragma once
// A tool window beside the frame that follows the display while it is shown:
// Follow() is asked at once when it is shown and then at a fixed interval.
#include <QWidget>

class QTimer;

namespace kivelo::app {

class CCommandHost;

class CFollowingWindow : public QWidget {
    Q_OBJECT

public:
    // Asks for new results when what the window shows no longer matches the display.
    virtual void Follow() = 0;

signals:
    // The user closed the window itself (not the program at its exit).
    void closedByUser();

protected:
    CFollowingWindow(CCommandHost& frame, int followMs);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QTimer* follow_ = nullptr;
};

}  // namespace kivelo::app
