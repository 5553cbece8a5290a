#pragma once
// The small window shown during long work ("Loading ...", "Converting ...").
// Run() does the work on a second thread while this window shows the text, a
// progress figure and Cancel, so the program keeps painting and answering.
#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kivelo::app {

class CBusyWindow : public QDialog {
    Q_OBJECT
public:
    explicit CBusyWindow(QWidget* frame);

    // Shows the text at the frame's top-left plus (50, 150), without activating.
    void ShowBusy(const QString& text);
    void HideBusy();

    struct Work {
        std::function<void()> run;         // on the worker thread
        std::function<double()> progress;  // 0..1, or negative when unknown; polled on this thread
        std::function<void()> cancel;      // asks run to stop soon; null: cannot be cancelled
    };
    // Runs the work to its end; false when the user cancelled it. While it
    // runs, input to the rest of the program is blocked but windows paint.
    bool Run(const QString& text, const Work& work);
    bool Running() const { return running_; }
    // The work did not stop within kGiveUpMs of a cancel (a read hung in the file
    // system, say): the window has gone and the program goes on while Run still
    // waits for the worker to return.
    bool Abandoned() const { return abandoned_; }
    static constexpr int kGiveUpMs = 1000;

signals:
    void workAbandoned();

protected:
    void reject() override;

private:
    void Place();

    QLabel* text_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QTimer* giveUp_;
    bool running_ = false;
    bool abandoned_ = false;
    bool cancelled_ = false;
    std::function<void()> cancelWork_;
};

}  // namespace kivelo::app
