#include "gui/panels/operatorpage.h"

#include "gui/panels/panelhelpers.h"
#include "message/operatorinfo.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

namespace ondrix {

namespace {

// The character a key types, as the operator fields report it: Backspace and
// Delete as their control codes; nothing for keys that type nothing.
QChar typedChar(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Delete:
        return QChar(127);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {};
    default:
        return key->text().isEmpty() ? QChar() : key->text().at(0);
    }
}

} // namespace

OperatorPage::OperatorPage(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::OperatorDetails}, parent) {
    setObjectName(QStringLiteral("OperatorPage"));
    static constexpr std::array<const char*, Params::kOmCount> kFieldNames{
        "ParamOM0", "ParamOM1", "ParamOM2", "ParamOM3", "ParamOM4"};
    static constexpr std::array<const char*, Params::kOmCount> kCaptionNames{
        "LblParamOM0", "LblParamOM1", "LblParamOM2", "LblParamOM3", nullptr};

    // Four labelled fields, and the QTH's spelling in a wide field beside the QTH.
    auto* frame = named<QGroupBox>("FrmInfosOM");
    auto* grid = new QGridLayout;
    grid->setContentsMargins(8, 6, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(named<QLabel>("LblInfosOM",
                                  QStringLiteral("Entrez ici les informations vous concernant :")),
                    0, 0, 1, 3);
    const int fieldWidth =
        frame->fontMetrics().horizontalAdvance(QStringLiteral("Indicatif Ondrix____"));
    for (int i = 0; i < Params::kOmCount; ++i) {
        const auto k = static_cast<size_t>(i);
        QLineEdit* field = named<QLineEdit>(kFieldNames[k]);
        field->installEventFilter(this);
        fields_[k] = field;
        if (!kCaptionNames[k]) {
            // The spelling is built from the QTH as it is typed.
            field->setReadOnly(true);
            field->setToolTip(QStringLiteral("Le QTH épelé, lu à la place de [QTH]"));
            grid->addWidget(field, 1 + OperatorInfo::kQth, 2);
            continue;
        }
        field->setFixedWidth(fieldWidth);
        auto* caption = named<QLabel>(kCaptionNames[k], OperatorInfo::kLabels[i]);
        caption->setBuddy(field);
        grid->addWidget(caption, 1 + i, 0);
        grid->addWidget(field, 1 + i, 1);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(Params::kOmCount, 1);
    frame->setLayout(grid);

    auto* l = column(0);
    l->addWidget(frame);
    setLayout(l);

    addInputs(fields_);
    for (size_t i = 0; i < fields_.size(); ++i) {
        const int field = static_cast<int>(i);
        connect(fields_[i], &QLineEdit::textEdited, this, [&presenter, field](const QString& text) {
            presenter.execute(cmd::OperatorField_Change{field, text});
        });
    }
}

void OperatorPage::draw(const StationState& state, Features) {
    for (size_t i = 0; i < fields_.size(); ++i)
        renderLineEdit(fields_[i], state.operatorDetails.fields[i]);
}

bool OperatorPage::eventFilter(QObject* watched, QEvent* event) {
    const auto found = std::find(fields_.begin(), fields_.end(), watched);
    if (found == fields_.end())
        return Panel::eventFilter(watched, event);
    const int field = static_cast<int>(found - fields_.begin());
    MainPresenter& presenter = presenter_;
    switch (event->type()) {
    case QEvent::KeyPress:
        // Before the field takes the key: the presenter may empty the QTH first.
        if (const QChar ch = typedChar(static_cast<QKeyEvent*>(event)); !ch.isNull())
            presenter.execute(cmd::OperatorField_KeyPress{field, ch});
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            presenter.execute(cmd::OperatorField_Click{field});
        break;
    case QEvent::FocusIn:
        if (operatorFocusChange(event))
            reportFocus([&presenter] { presenter.execute(cmd::TextField_GotFocus{}); });
        break;
    case QEvent::FocusOut:
        if (operatorFocusChange(event))
            reportFocus([&presenter] { presenter.execute(cmd::TextField_LostFocus{}); });
        break;
    default:
        break;
    }
    return Panel::eventFilter(watched, event);
}

} // namespace ondrix
