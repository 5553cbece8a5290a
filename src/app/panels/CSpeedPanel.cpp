#include "app/panels/CSpeedPanel.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>

#include "app/panels/PanelStyle.h"
#include "display/ZoomController.h"

namespace kivelo::app {

const std::array<CSpeedPanel::Choice, 6>& CSpeedPanel::Choices() {
    static const std::array<Choice, 6> choices{{
        {"MIN", 2.0, "Scroll speed: minimum (2 steps a tick)"},
        {"SLOW", 10.0, "Scroll speed: slow (10 steps a tick)"},
        {"MID", 20.0, "Scroll speed: medium (20 steps a tick)"},
        {"FAST", 50.0, "Scroll speed: fast (50 steps a tick)"},
        {"MAX", 100.0, "Scroll speed: maximum (100 steps a tick)"},
        {"JUMP", ZoomController::kJump, "Scroll speed: jump straight to the start or the end"},
    }};
    return choices;
}

CSpeedPanel::CSpeedPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("speedPanel"));
    setAccessibleName(QStringLiteral("Scroll speed"));
    SetUpPanel(this);
    // Six choices share 250 pixels: no inner padding.
    setStyleSheet(styleSheet() + QStringLiteral("QPushButton { padding: 0px; }"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);

    caption_ = MakeCaption(this, QStringLiteral("SCROLL SPEED"));
    caption_->setGeometry(6, 2, kWidth - 12, 12);
    group_ = new QButtonGroup(this);
    const auto& choices = Choices();
    constexpr int kButtonWidth = 39;
    for (size_t i = 0; i < choices.size(); ++i) {
        auto* b = new QPushButton(QString::fromLatin1(choices[i].text), this);
        b->setObjectName(QStringLiteral("speed") + QString::fromLatin1(choices[i].text));
        b->setCheckable(true);
        b->setAccessibleName(QString::fromLatin1(choices[i].what));
        b->setToolTip(QString::fromLatin1(choices[i].what));
        b->setFocusPolicy(Qt::StrongFocus);
        b->setGeometry(5 + static_cast<int>(i) * (kButtonWidth + 1), 16, kButtonWidth, 21);
        group_->addButton(b, static_cast<int>(i));
        buttons_[i] = b;
    }
    buttons_[0]->setChecked(true);
    connect(group_, &QButtonGroup::idClicked, this,
            [this](int id) { emit SpeedChosen(Choices()[static_cast<size_t>(id)].speed); });
    resize(kWidth, kHeight);
}

void CSpeedPanel::Reset() {
    buttons_[1]->click();
    buttons_[0]->click();
}

double CSpeedPanel::Speed() const {
    const int id = group_->checkedId();
    return id >= 0 ? Choices()[static_cast<size_t>(id)].speed : Choices()[0].speed;
}

}  // namespace kivelo::app
