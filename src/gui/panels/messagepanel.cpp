#include "gui/panels/messagepanel.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include <utility>

namespace ondrix {

MessagePanel::MessagePanel(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::Cycle, Feature::FileMessage, Feature::Speech}, parent) {
    setObjectName(QStringLiteral("MessagePanel"));

    fileTab_ = named<ClickableLabel>("TabS11", QStringLiteral("Fichier WAV/MP3"));
    speechTab_ = named<ClickableLabel>("TabS12", QStringLiteral("Synthèse vocale"));
    auto* tabs = row(1);
    tabs->addWidget(fileTab_);
    tabs->addWidget(speechTab_);
    tabs->addStretch();
    tabRowHeight_ = tabs->sizeHint().height();

    buildFileFrame();
    buildSpeechFrame();
    buildSpeechProblemFrame();

    // The three frames share one place, sized for the largest, so switching
    // the message mode does not move the rest of the window.
    auto* frames = new QGridLayout;
    frames->setContentsMargins(0, 0, 0, 0);
    for (QWidget* frame :
         std::initializer_list<QWidget*>{fileFrame_, speechFrame_, speechProblemFrame_}) {
        keepRoomWhenHidden(frame);
        frames->addWidget(frame, 0, 0);
    }

    auto* l = column(0);
    l->addLayout(tabs);
    l->addLayout(frames);
    l->addStretch();
    setLayout(l);

    connectInputs(presenter);
}

void MessagePanel::buildFileFrame() {
    fileFrame_ = named<QGroupBox>("FrmFichier", QStringLiteral("Fichier WAV/MP3 à lire :"));
    recentFilesCombo_ = named<PathComboBox>("ComboFichierRecent");
    recentFilesCombo_->setEditable(false);
    // A long path must not widen the window; the tooltip shows it whole.
    recentFilesCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    recentFilesCombo_->setMinimumContentsLength(16);
    openFileButton_ = named<QPushButton>("CMDOuvrir", QStringLiteral("Ouvrir..."));
    durationLabel_ = named<QLabel>("LBLDuree");
    auto* fileRow = row();
    fileRow->addWidget(recentFilesCombo_, 1);
    fileRow->addWidget(openFileButton_);
    auto* l = column();
    l->setContentsMargins(6, 4, 6, 4);
    l->addLayout(fileRow);
    l->addWidget(durationLabel_);
    fileFrame_->setLayout(l);
}

void MessagePanel::buildSpeechFrame() {
    speechFrame_ = named<QGroupBox>("FrmSynthese");
    messageEdit_ = named<MessageEdit>("TxtSynthese");
    messageEdit_->setVisibleLines(3);
    messageEdit_->installEventFilter(this);
    voiceCaption_ = named<CaptionLabel>("VoiceCaption", QStringLiteral("Sélectionner la voix :"));
    voiceNameLabel_ = named<CaptionLabel>("LblNomVoix");
    voiceNameLabel_->setToolTip(
        QStringLiteral("Cliquez pour afficher/masquer la liste des voix disponibles"));
    {
        QFont f = voiceNameLabel_->font();
        f.setBold(true);
        voiceNameLabel_->setFont(f);
        // Room for the ten characters a name may have, so an empty name
        // still leaves something to click and the row does not shift.
        voiceNameLabel_->setMinimumWidth(
            QFontMetrics(f).horizontalAdvance(QStringLiteral("French (f2")));
    }
    updateVoicesButton_ = named<QPushButton>("UpdateVoicesButton", QStringLiteral("MAJ"));
    // As narrow as its caption: push buttons default to a wide minimum.
    updateVoicesButton_->setFixedWidth(
        updateVoicesButton_->fontMetrics().horizontalAdvance(QStringLiteral("MAJ")) + 24);
    updateVoicesButton_->setToolTip(QStringLiteral("Mettre à jour la liste des voix"));
    voiceList_ = named<QListWidget>("ListVoix");
    voiceList_->setToolTip(QStringLiteral("Double-cliquer pour tester la voix"));
    voiceList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Lines read "name<tab>gender<tab>language": shown as aligned columns.
    voiceList_->setItemDelegate(
        new ColumnsDelegate({{QStringLiteral("Femme"), QStringLiteral("Homme")},
                             {QStringLiteral("Français"), QStringLiteral("Anglais"),
                              QStringLiteral("Néerlandais"), QStringLiteral("Autre langue")}},
                            voiceList_));
    tagCombo_ = named<QComboBox>("ComboOndrixTexte");
    addTagButton_ = named<QPushButton>("CmdAjoutOndrix", QStringLiteral("Ajouter ondrix texte"));
    voicePanel_ = named<QWidget>("VoicePanel");
    tagPanel_ = named<QWidget>("TagPanel");
    {
        auto* l = row();
        l->addWidget(tagCombo_, 1);
        l->addWidget(addTagButton_);
        tagPanel_->setLayout(l);
    }
    speedCaption_ = named<CaptionLabel>("SpeedCaption", QStringLiteral("Vitesse :"));
    speedSlider_ = named<QSlider>("SliderVoixSpeed", Qt::Horizontal);
    speedSlider_->setPageStep(10);
    compactSlider(speedSlider_);
    speedLabel_ = named<QLabel>("lblWpM");
    speedLabel_->setMinimumWidth(
        speedLabel_->fontMetrics().horizontalAdvance(QStringLiteral("250 mot(s)/min.")));
    readWeatherBox_ = named<QCheckBox>("ChkLireMeteo", QStringLiteral("Lire la météo"));

    // Three lines of the voice list, whatever the font.
    voiceList_->addItem(QStringLiteral("X"));
    const int line = voiceList_->sizeHintForRow(0);
    voiceList_->clear();
    voiceList_->setFixedHeight(3 * line + 2 * voiceList_->frameWidth());

    auto* voiceRow = row();
    voiceRow->addWidget(voiceCaption_);
    voiceRow->addWidget(voiceNameLabel_);
    voiceRow->addStretch();
    voiceRow->addWidget(readWeatherBox_);
    // The voice list, with its update button, and the tag list take turns in
    // one place.
    {
        auto* l = row();
        l->addWidget(voiceList_, 1);
        l->addWidget(updateVoicesButton_, 0, Qt::AlignTop);
        voicePanel_->setLayout(l);
    }
    auto* shared = new QGridLayout;
    shared->setContentsMargins(0, 0, 0, 0);
    keepRoomWhenHidden(voicePanel_);
    keepRoomWhenHidden(tagPanel_);
    shared->addWidget(voicePanel_, 0, 0);
    shared->addWidget(tagPanel_, 0, 0, Qt::AlignTop);
    auto* speedRow = row();
    speedRow->addWidget(speedCaption_);
    speedRow->addWidget(speedSlider_, 1);
    speedRow->addWidget(speedLabel_);
    auto* l = column();
    l->setContentsMargins(6, 4, 6, 4);
    l->addWidget(messageEdit_);
    l->addLayout(voiceRow);
    l->addLayout(shared);
    l->addLayout(speedRow);
    speechFrame_->setLayout(l);
}

void MessagePanel::buildSpeechProblemFrame() {
    speechProblemFrame_ = named<QGroupBox>("FrmSynthese2");
    howToSolveButton_ =
        named<QPushButton>("CmdResoudreProb", QStringLiteral("Comment résoudre le problème ?"));
    problemSolvedButton_ =
        named<QPushButton>("CmdProbOK", QStringLiteral("J'ai résolu le problème !"));
    auto* problemLabel =
        named<QLabel>("LblProbleme", QStringLiteral("La synthèse vocale n'est pas disponible."));
    problemLabel->setWordWrap(true);
    auto* l = column(8);
    l->setContentsMargins(8, 8, 8, 8);
    l->addWidget(problemLabel);
    // One above the other: side by side they would widen the window.
    l->addWidget(howToSolveButton_, 0, Qt::AlignLeft);
    l->addWidget(problemSolvedButton_, 0, Qt::AlignLeft);
    l->addStretch();
    speechProblemFrame_->setLayout(l);
}

void MessagePanel::connectInputs(MainPresenter& presenter) {
    addInputs({fileTab_, speechTab_, recentFilesCombo_, openFileButton_, messageEdit_,
               voiceCaption_, voiceNameLabel_, updateVoicesButton_, voiceList_, tagCombo_,
               addTagButton_, speedCaption_, speedSlider_, readWeatherBox_, howToSolveButton_,
               problemSolvedButton_});

    connect(fileTab_, &ClickableLabel::clicked, this,
            [&presenter] { presenter.execute(cmd::TabS11_Click{}); });
    connect(speechTab_, &ClickableLabel::clicked, this,
            [&presenter] { presenter.execute(cmd::TabS12_Click{}); });
    connect(openFileButton_, &QPushButton::clicked, this,
            [&presenter] { presenter.execute(cmd::CMDOuvrir_Click{}); });
    connect(recentFilesCombo_, &QComboBox::activated, this,
            [&presenter](int index) { presenter.execute(cmd::ComboFichierRecent_Change{index}); });

    // The message box. Its focus changes go through eventFilter.
    MessageEdit* message = messageEdit_;
    connect(message, &QPlainTextEdit::textChanged, this, [&presenter, message] {
        presenter.execute(cmd::TxtSynthese_Change{message->toPlainText()});
    });
    connect(message, &MessageEdit::clickedAt, this,
            [&presenter](int caret) { presenter.execute(cmd::TxtSynthese_Click{caret}); });
    connect(message, &MessageEdit::doubleClicked, this, [&presenter](int start, int length) {
        presenter.execute(cmd::TxtSynthese_DblClick{start, length});
    });
    connect(message, &MessageEdit::enterPressed, this, [&presenter](int start, int length) {
        presenter.execute(cmd::TxtSynthese_Enter{start, length});
    });
    connect(message, &MessageEdit::selectAllPressed, this,
            [&presenter] { presenter.execute(cmd::TxtSynthese_SelectAll{}); });
    connect(message, &MessageEdit::caretMoved, this,
            [&presenter](int caret) { presenter.execute(cmd::TxtSynthese_CaretMoved{caret}); });
    connect(tagCombo_, &QComboBox::activated, this,
            [&presenter](int index) { presenter.execute(cmd::ComboOndrixTexte_Change{index}); });
    connect(addTagButton_, &QPushButton::clicked, this, [&presenter, message] {
        presenter.execute(
            cmd::CmdAjoutOndrix_Click{message->selectionStart(), message->selectionLength()});
    });
    connect(readWeatherBox_, &QCheckBox::clicked, this,
            [&presenter](bool checked) { presenter.execute(cmd::ChkLireMeteo_Click{checked}); });

    // Voices.
    connect(voiceList_, &QListWidget::currentRowChanged, this,
            [&presenter](int index) { presenter.execute(cmd::ListVoix_Click{index}); });
    connect(voiceList_, &QListWidget::itemDoubleClicked, this,
            [&presenter] { presenter.execute(cmd::ListVoix_DblClick{}); });
    connect(voiceNameLabel_, &CaptionLabel::clicked, this,
            [&presenter] { presenter.execute(cmd::LblNomVoix_Click{}); });
    connect(voiceCaption_, &CaptionLabel::clicked, this,
            [&presenter] { presenter.execute(cmd::LblNomVoix_Click{}); });
    connect(speedCaption_, &CaptionLabel::clicked, speedSlider_,
            [slider = speedSlider_] { slider->setFocus(Qt::OtherFocusReason); });
    connect(updateVoicesButton_, &QPushButton::clicked, this,
            [&presenter] { presenter.execute(cmd::ChargerVoix{}); });
    connect(speedSlider_, &QSlider::valueChanged, this,
            [&presenter](int value) { presenter.execute(cmd::SliderVoixSpeed_Change{value}); });
    connect(howToSolveButton_, &QPushButton::clicked, this,
            [&presenter] { presenter.execute(cmd::CmdResoudreProb_Click{}); });
    connect(problemSolvedButton_, &QPushButton::clicked, this,
            [&presenter] { presenter.execute(cmd::CmdProbOK_Click{}); });
}

void MessagePanel::draw(const StationState& state, Features changed) {
    const CycleState& cycle = state.cycle;
    fileTab_->setBackground(toQColor(tabColour(cycle.mode == MessageMode::File)));
    speechTab_->setBackground(toQColor(tabColour(cycle.mode == MessageMode::Speech)));
    speechTab_->setEnabled(state.speech.tabEnabled);
    fileFrame_->setVisible(cycle.fileFrameVisible);
    fileFrame_->setEnabled(!cycle.running);
    speechFrame_->setVisible(cycle.speechFrameVisible);
    speechFrame_->setEnabled(!cycle.running);
    speechProblemFrame_->setVisible(cycle.speechProblemFrameVisible);
    renderCombo(recentFilesCombo_, state.file.recentFiles);
    durationLabel_->setText(state.file.durationLabel);

    if (!changed.has(Feature::Speech))
        return;
    const SpeechState& speech = state.speech;
    if (messageEdit_->toPlainText() != speech.text)
        messageEdit_->setPlainText(speech.text);
    messageEdit_->setEnabled(speech.textEnabled);
    if (appliedSelectionSeq_ != speech.selectionSeq) {
        appliedSelectionSeq_ = speech.selectionSeq;
        messageEdit_->selectRange(speech.selectionStart, speech.selectionLength);
        focusMessagePending_ = true;
    }
    setPanelText(voiceNameLabel_, speech.voiceNameLabel);
    renderList(voiceList_, speech.voiceList);
    voicePanel_->setVisible(speech.voiceListVisible);
    renderCombo(tagCombo_, speech.tagList);
    tagPanel_->setVisible(speech.tagListVisible);
    renderSlider(speedSlider_, speech.speedSlider);
    setPanelText(speedLabel_, speech.speedLabel);
    readWeatherBox_->setChecked(speech.readWeather);
}

void MessagePanel::finishRender() {
    // Outside the redraw: the focus change reports itself to the presenter.
    if (std::exchange(focusMessagePending_, false))
        messageEdit_->setFocus(Qt::OtherFocusReason);
}

bool MessagePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == messageEdit_) {
        MainPresenter& presenter = presenter_;
        if (event->type() == QEvent::FocusIn && operatorFocusChange(event))
            reportFocus([&presenter] { presenter.execute(cmd::TxtSynthese_GotFocus{}); });
        else if (event->type() == QEvent::FocusOut && operatorFocusChange(event))
            reportFocus([&presenter] { presenter.execute(cmd::TxtSynthese_LostFocus{}); });
    }
    return Panel::eventFilter(watched, event);
}

} // namespace ondrix
