#include "gui/mainwindow.h"

#include "gui/panel.h"
#include "gui/panels/audiopage.h"
#include "gui/panels/dtmfpage.h"
#include "gui/panels/generalpage.h"
#include "gui/panels/loadingpanel.h"
#include "gui/panels/messagepanel.h"
#include "gui/panels/operatorpage.h"
#include "gui/panels/panelhelpers.h"
#include "gui/panels/parameterspage.h"
#include "gui/panels/periodpanel.h"
#include "gui/panels/startbuttonpanel.h"
#include "gui/panels/timewindowspanel.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QWindow>

namespace ondrix {

MainWindow::MainWindow(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), presenter_(presenter) {
    setObjectName(QStringLiteral("MainWindow"));
    build();
    // Connected in the window's context: the connection ends with the window.
    connect(&presenter_, &MainPresenter::changed, this,
            [this](Features changed) { render(changed); });
    render();
    // The first render changed texts inside panels not shown yet; Qt passes
    // such size changes up only once the window shows. The window is exactly
    // as tall as its content, so it is measured with every layout brought up
    // to date, innermost first, or it would grow on first use.
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (QLayout* l = (*it)->layout())
            l->activate();
    resize(sizeHint().expandedTo(QSize(650, 350)));
}

MainWindow::~MainWindow() = default;

void MainWindow::build() {
    MainPresenter& presenter = presenter_;

    // ---- title bar
    auto* titleBar = named<QWidget>("TitleBar");
    titleBar->setAutoFillBackground(true);
    {
        QPalette pal = titleBar->palette();
        pal.setColor(QPalette::Window, toQColor(kTabUnselected));
        pal.setColor(QPalette::WindowText, Qt::white);
        titleBar->setPalette(pal);
    }
    captionLabel_ = named<QLabel>("LblTitre", QStringLiteral("Ondrix"));
    {
        QFont f = captionLabel_->font();
        f.setBold(true);
        captionLabel_->setFont(f);
    }
    auto* closeButton = named<QToolButton>("ImgClose");
    closeButton->setIcon(closeIcon());
    closeButton->setIconSize(QSize(14, 14));
    closeButton->setAutoRaise(true);
    closeButton->setToolTip(QStringLiteral("Fermer"));
    closeButton->setFocusPolicy(Qt::NoFocus);
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);
    auto* titleRow = row();
    titleRow->setContentsMargins(8, 2, 2, 2);
    titleRow->addWidget(captionLabel_);
    titleRow->addStretch();
    titleRow->addWidget(closeButton);
    titleBar->setLayout(titleRow);

    // ---- top: the start button and the message, the period beside them
    auto* startButton = new StartButtonPanel(presenter);
    auto* message = new MessagePanel(presenter);
    auto* period = new PeriodPanel(presenter);
    auto* topLeft = row();
    topLeft->addWidget(startButton, 0, Qt::AlignTop);
    topLeft->addWidget(message, 1);
    // The period's rows line up under the message tabs.
    auto* topRight = column(6);
    topRight->addSpacing(message->tabRowHeight());
    topRight->addWidget(period);
    auto* top = row(12);
    // The file path needs the room more than the sliders do.
    top->addLayout(topLeft, 4);
    top->addLayout(topRight, 3);

    // ---- page tabs over the pages
    static constexpr std::array<const char*, ShellState::kPages> kTabNames{
        "TabS21", "TabS22", "TabS23", "TabS24", "TabS25"};
    const std::array<QString, ShellState::kPages> tabTexts{
        QStringLiteral("Général"), QStringLiteral("Paramètres"), QStringLiteral("Audio"),
        QStringLiteral("DTMF"), QStringLiteral("Informations OM")};
    auto* tabRow = row(1);
    for (size_t i = 0; i < pageTabs_.size(); ++i) {
        pageTabs_[i] = named<ClickableLabel>(kTabNames[i], tabTexts[i]);
        tabRow->addWidget(pageTabs_[i]);
        const int page = static_cast<int>(i);
        connect(pageTabs_[i], &ClickableLabel::clicked, this,
                [&presenter, page] { presenter.execute(cmd::PageTab_Click{page}); });
    }
    tabRow->addStretch();

    auto* general = new GeneralPage(presenter);
    auto* parameters = new ParametersPage(presenter);
    auto* audio = new AudioPage(presenter);
    auto* dtmf = new DtmfPage(presenter);
    auto* operatorDetails = new OperatorPage(presenter);
    pages_ = named<QStackedWidget>("Pages");
    for (Panel* page :
         std::initializer_list<Panel*>{general, parameters, audio, dtmf, operatorDetails})
        pages_->addWidget(page);

    auto* bottom = column(0);
    bottom->addLayout(tabRow);
    bottom->addWidget(pages_, 1);

    // ---- whole window
    auto* body = column(8);
    body->setContentsMargins(8, 6, 8, 8);
    body->addLayout(top);
    body->addLayout(bottom, 1);

    auto* main = column(0);
    main->setContentsMargins(1, 1, 1, 1); // room for the border painted around the window
    main->addWidget(titleBar);
    main->addLayout(body, 1);
    setLayout(main);

    // Over everything: made last, so on top.
    loadingPanel_ = new LoadingPanel(presenter, this);
    loadingPanel_->setGeometry(rect());

    panels_ = {
        startButton, message, period,          general,      parameters, parameters->timeWindows(),
        audio,       dtmf,    operatorDetails, loadingPanel_};
}

void MainWindow::render() {
    render(Features::all());
}

void MainWindow::render(Features changed) {
    ++renders_;
    for (size_t bit = 0; bit < featureRenders_.size(); ++bit)
        if (changed.has(static_cast<Feature>(1u << bit)))
            ++featureRenders_[bit];
    const StationState& state = presenter_.state();
    std::vector<Panel*> drawn;
    {
        const Panel::DrawingScope drawing;
        if (changed.has(Feature::Shell))
            drawShell(state.shell);
        for (Panel* panel : panels_)
            if (panel->shows(changed)) {
                panel->render(state, changed);
                drawn.push_back(panel);
            }
    }
    for (Panel* panel : drawn)
        panel->finishRender();
}

void MainWindow::drawShell(const ShellState& shell) {
    std::vector<QSignalBlocker> blockers(pageTabs_.begin(), pageTabs_.end());
    setWindowTitle(shell.caption);
    captionLabel_->setText(shell.caption);
    for (size_t i = 0; i < pageTabs_.size(); ++i)
        pageTabs_[i]->setBackground(toQColor(tabColour(shell.currentPage == static_cast<int>(i))));
    if (shell.currentPage >= 0 && shell.currentPage < pages_->count())
        pages_->setCurrentIndex(shell.currentPage);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    loadingPanel_->setGeometry(rect());
}

// ---------------------------------------------------------------- window moves

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    // The platform moves the window where it can (X11 with a window manager,
    // Wayland); elsewhere it follows the mouse by hand.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void MainWindow::paintEvent(QPaintEvent*) {
    // Without a system frame the window needs its own edge on the desktop.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ondrix
