#include "gui/panels/timewindowspanel.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace ondrix {

TimeWindowsPanel::TimeWindowsPanel(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::TimeWindows}, parent) {
    setObjectName(QStringLiteral("TimeWindows"));
    static constexpr std::array<const char*, TimeWindowsState::kWindows> kTabNames{
        "TabS31", "TabS32", "TabS33"};
    static constexpr std::array<const char*, TimeWindowsState::kWindows> kFrameNames{
        "FrmPeriode1", "FrmPeriode2", "FrmPeriode3"};
    static constexpr std::array<const char*, TimeWindowsState::kWindows> kBoxNames{
        "ChkDecl1", "ChkDecl2", "ChkDecl3"};
    static constexpr std::array<char, 3> kParts{'H', 'M', 'S'};

    clockLabel_ = named<QLabel>("LblHorloge");
    clockLabel_->setMinimumWidth(
        clockLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 4);
    clockLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* tabs = row(1);
    for (size_t w = 0; w < windowTabs_.size(); ++w) {
        windowTabs_[w] =
            named<ClickableLabel>(kTabNames[w], QStringLiteral("Période %1").arg(w + 1));
        tabs->addWidget(windowTabs_[w]);
    }
    tabs->addStretch();
    tabs->addWidget(clockLabel_);

    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("000")) + 8;
    auto* frames = new QGridLayout;
    frames->setContentsMargins(0, 0, 0, 0);
    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        const auto wi = static_cast<size_t>(w);
        auto* frame = named<QFrame>(kFrameNames[wi]);
        frame->setFrameShape(QFrame::StyledPanel);
        windowBoxes_[wi] = named<QCheckBox>(kBoxNames[wi], QStringLiteral("Déclenchement entre"));
        auto* l = row(3);
        l->setContentsMargins(6, 3, 6, 3);
        l->addWidget(windowBoxes_[wi]);
        for (const bool end : {false, true}) {
            l->addSpacing(end ? 4 : 2);
            if (end) {
                l->addWidget(new QLabel(QStringLiteral("et")));
                l->addSpacing(4);
            }
            for (int part = 0; part < 3; ++part) {
                if (part > 0)
                    l->addWidget(new QLabel(QStringLiteral(":")));
                auto* field = new QLineEdit;
                field->setObjectName(QStringLiteral("TextTimeOut") + QChar(kParts[part]) +
                                     (end ? QStringLiteral("Fin") : QStringLiteral("Deb")) +
                                     QString::number(w + 1));
                field->setMaxLength(2);
                field->setFixedWidth(fieldWidth);
                field->setAlignment(Qt::AlignCenter);
                field->installEventFilter(this);
                timeFields_[static_cast<size_t>(w * 6 + (end ? 3 : 0) + part)] = field;
                l->addWidget(field);
            }
        }
        l->addStretch();
        frame->setLayout(l);
        keepRoomWhenHidden(frame);
        frames->addWidget(frame, 0, 0);
        windowFrames_[wi] = frame;
    }
    auto* l = column(0);
    l->addLayout(tabs);
    l->addLayout(frames);
    setLayout(l);

    // Focus changes of the time fields go through eventFilter.
    addInputs(windowTabs_);
    addInputs(windowBoxes_);
    addInputs(timeFields_);
    for (size_t w = 0; w < windowTabs_.size(); ++w) {
        const int window = static_cast<int>(w);
        connect(windowTabs_[w], &ClickableLabel::clicked, this,
                [&presenter, window] { presenter.execute(cmd::TabS3_Click{window}); });
        connect(windowBoxes_[w], &QCheckBox::clicked, this, [&presenter, window](bool checked) {
            presenter.execute(cmd::ChkDecl_Click{window, checked});
        });
    }
    for (size_t i = 0; i < timeFields_.size(); ++i) {
        const int field = static_cast<int>(i);
        connect(timeFields_[i], &QLineEdit::textEdited, this,
                [&presenter, field](const QString& text) {
                    presenter.execute(cmd::TimeField_Change{field, text});
                });
    }
}

void TimeWindowsPanel::draw(const StationState& state, Features) {
    const TimeWindowsState& windows = state.windows;
    clockLabel_->setText(windows.clockLabel);
    for (size_t w = 0; w < windowTabs_.size(); ++w) {
        windowTabs_[w]->setBackground(
            toQColor(tabColour(static_cast<int>(w) == windows.shownWindow)));
        windowFrames_[w]->setVisible(static_cast<int>(w) == windows.shownWindow);
        windowBoxes_[w]->setChecked(windows.enabled[w]);
    }
    for (size_t i = 0; i < timeFields_.size(); ++i)
        renderLineEdit(timeFields_[i], windows.fields[i]);
    const auto validField = [](int i) { return i >= 0 && i < TimeWindowsState::kTimeFields; };
    if (appliedSelectSeq_ != windows.selectSeq) {
        appliedSelectSeq_ = windows.selectSeq;
        if (validField(windows.selectField)) {
            QLineEdit* edit = timeFields_[static_cast<size_t>(windows.selectField)];
            edit->selectAll();
            // A click that gave the focus puts the caret where it landed once
            // this is done: the whole text is selected again after it.
            QTimer::singleShot(0, edit, [edit] {
                if (edit->hasFocus())
                    edit->selectAll();
            });
        }
    }
    if (appliedFocusSeq_ != windows.focusSeq) {
        appliedFocusSeq_ = windows.focusSeq;
        if (validField(windows.focusField))
            pendingFocus_ = windows.focusField;
    }
}

void TimeWindowsPanel::finishRender() {
    // A filled time field hands the focus on, which reports itself.
    if (const int field = std::exchange(pendingFocus_, -1); field >= 0)
        timeFields_[static_cast<size_t>(field)]->setFocus(Qt::OtherFocusReason);
}

bool TimeWindowsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (const auto time = std::find(timeFields_.begin(), timeFields_.end(), watched);
        time != timeFields_.end()) {
        const int field = static_cast<int>(time - timeFields_.begin());
        MainPresenter& presenter = presenter_;
        if (event->type() == QEvent::FocusIn && operatorFocusChange(event))
            reportFocus([&presenter, field] { presenter.execute(cmd::TimeField_GotFocus{field}); });
        else if (event->type() == QEvent::FocusOut && operatorFocusChange(event))
            reportFocus(
                [&presenter, field] { presenter.execute(cmd::TimeField_LostFocus{field}); });
    }
    return Panel::eventFilter(watched, event);
}

} // namespace ondrix
