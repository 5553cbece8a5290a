#pragma once
// Push button that keeps its text as given but shows each word on a line of
// its own, for captions like "  WINDOW    CHASER" in a narrow strip.
#include <QPushButton>

namespace kivelo::app {

class CWrapButton : public QPushButton {
    Q_OBJECT
public:
    CWrapButton(const QString& text, QWidget* parent);

    QString ShownText() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kivelo::app
