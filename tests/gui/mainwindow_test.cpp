// The main window driven like an operator would: QTest mouse and key events
// on controls found by their system names, over a presenter wired to fakes.

#include "app/mainpresenter.h"
#include "gui/mainwindow.h"
#include "gui/panel.h"
#include "gui/widgets.h"
#include "support/fakeservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace ondrix;
using namespace ondrix::test;

namespace {

const QString kFileA = QStringLiteral("/msg/annonce.wav");
const QString kFileB = QStringLiteral("/msg/balise.mp3");
const QColor kSelected(0x80, 0x80, 0x80);
const QColor kUnselected(0x40, 0x40, 0x40);
const QColor kRed(0xFF, 0x00, 0x00);   // kIndicatorOn
const QColor kGreen(0x00, 0xFF, 0x00); // kIndicatorOff

class MainWindowTest : public ::testing::Test, protected FakeServices {
protected:
    MainWindowTest() {
        player.files = {{kFileA, 12.0}, {kFileB, 40.0}};
        window.show();
    }

    template <typename W = QWidget> W& widget(const char* name) {
        W* w = window.findChild<W*>(QString::fromLatin1(name));
        if (!w)
            throw std::runtime_error(std::string("no widget named ") + name);
        return *w;
    }

    void click(const char* name) { QTest::mouseClick(&widget(name), Qt::LeftButton); }
    void key(const char* name, Qt::Key k) { QTest::keyClick(&widget(name), k); }

    // Chooses a file through the open dialog, as the operator does.
    void openFile(const QString& path) {
        dialogs.openResults << path;
        click("CMDOuvrir");
    }

    QString image() { return widget("BTPlay").property("image").toString(); }
    QColor background(const char* name) {
        return widget<QLabel>(name).palette().color(QPalette::Window);
    }
    bool shown(const char* name) { return widget(name).isVisible(); }
    bool enabled(const char* name) { return widget(name).isEnabled(); }
    QString text(const char* name) { return widget<QLabel>(name).text(); }
    QString toolTip(const char* name) { return widget(name).toolTip(); }

    // A pixel of a control as it is drawn; by default its centre.
    QColor pixel(const char* name, double x = 0.5, double y = 0.5) {
        const QImage picture = widget(name).grab().toImage();
        return picture.pixelColor(static_cast<int>(x * (picture.width() - 1)),
                                  static_cast<int>(y * (picture.height() - 1)));
    }
    static bool greenish(const QColor& c) {
        return c.green() > c.red() + 60 && c.green() > c.blue() + 60;
    }

    // Clicks an image button in two steps, checking that it shows a border
    // only while the mouse holds it down.
    void clickImageButton(const char* name) {
        SCOPED_TRACE(name);
        QWidget& button = widget(name);
        const QColor border = button.palette().color(QPalette::WindowText);
        EXPECT_NE(pixel(name, 0.0), border);
        QTest::mousePress(&button, Qt::LeftButton);
        EXPECT_EQ(pixel(name, 0.0), border);
        EXPECT_EQ(pixel(name, 1.0, 0.0), border);
        QTest::mouseRelease(&button, Qt::LeftButton);
        EXPECT_NE(pixel(name, 0.0), border);
    }

    // A double-click as the desktop delivers it: press, release, double-click, release.
    static void doubleClick(QWidget* target, QPoint at) {
        QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at);
    }

    // The speech frame with the voices listed and the tag list filled. The
    // window is made active so clicks move the focus as on a desktop.
    void openSpeechTab() {
        presenter.start();
        click("TabS12");
        QApplication::setActiveWindow(&window);
    }
    MessageEdit& message() { return widget<MessageEdit>("TxtSynthese"); }
    void typeMessage(const QString& text) { QTest::keyClicks(&message(), text); }
    // Clicks in the message box where the caret goes before character `pos`.
    void clickMessageAt(int pos) {
        MessageEdit& edit = message();
        QTextCursor c(edit.document());
        c.setPosition(pos);
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, Qt::NoModifier,
                          edit.cursorRect(c).center());
    }
    void selectInMessage(int start, int length) {
        QTextCursor c = message().textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        message().setTextCursor(c);
    }
    QString selectedText() { return message().textCursor().selectedText(); }

    // Runs a port search that finds these port numbers.
    void searchPorts(std::set<int> present) {
        serial.present = std::move(present);
        click("IMGActualiser");
    }

    MainPresenter presenter{services()};
    MainWindow window{presenter};
};

TEST_F(MainWindowTest, StartStopLocksAndUnlocksTheSettings) {
    openFile(kFileA);
    ASSERT_EQ(image(), "ImagePlay");

    click("BTPlay");
    EXPECT_EQ(image(), "ImageStop");
    EXPECT_EQ(player.plays, 1);
    EXPECT_TRUE(presenter.state().cycle.fileCountdown.enabled);
    for (const char* frame : {"FrmFichier", "FrmPortCom", "RecordingFrame", "OptPORTCOM", "OptVOX"})
        EXPECT_FALSE(enabled(frame)) << frame;

    click("BTPlay");
    EXPECT_EQ(image(), "ImagePlay");
    EXPECT_FALSE(player.playing);
    EXPECT_FALSE(presenter.state().cycle.fileCountdown.enabled);
    for (const char* frame : {"FrmFichier", "FrmPortCom", "RecordingFrame", "OptPORTCOM", "OptVOX"})
        EXPECT_TRUE(enabled(frame)) << frame;
}

TEST_F(MainWindowTest, StartWithoutAFileReportsItAndStaysIdle) {
    click("BTPlay");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, Beacon::kMsgFichierInvalide);
    EXPECT_EQ(image(), "ImagePlay");
    EXPECT_TRUE(enabled("FrmFichier"));
}

TEST_F(MainWindowTest, ButtonPictureAndTooltipFollowTheForm) {
    enum class Hue { Green, Red, Grey };
    struct Case {
        bool running;
        bool blocked;
        const char* name;
        Hue hue;
    };
    for (const Case& c :
         {Case{true, false, "ImageStop", Hue::Red}, Case{false, true, "ImagePlayDis", Hue::Grey},
          Case{false, false, "ImagePlay", Hue::Green}}) {
        SCOPED_TRACE(c.name);
        presenter.state().cycle.running = c.running;
        presenter.state().cycle.startBlocked = c.blocked;
        window.render();
        auto& button = widget<QToolButton>("BTPlay");
        EXPECT_EQ(button.property("image").toString(), c.name);
        EXPECT_EQ(button.toolTip(), startButtonToolTip(presenter.state().cycle));

        const QImage picture = button.icon().pixmap(64, 64).toImage();
        const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
        const int r = centre.red(), g = centre.green(), b = centre.blue();
        switch (c.hue) {
        case Hue::Green:
            EXPECT_GT(g, r + 60);
            EXPECT_GT(g, b + 60);
            break;
        case Hue::Red:
            EXPECT_GT(r, g + 60);
            EXPECT_GT(r, b + 60);
            break;
        case Hue::Grey:
            EXPECT_LT(std::abs(r - g) + std::abs(g - b), 12);
            EXPECT_GT(r, 0x40);
            break;
        }
    }
    EXPECT_EQ(widget("BTPlay").toolTip(), QString());
    presenter.state().cycle.startBlocked = true;
    window.render();
    EXPECT_FALSE(widget("BTPlay").toolTip().isEmpty());
}

TEST_F(MainWindowTest, MessageTabsSwitchColoursFramesAndVolumeSlider) {
    const auto expectFileMode = [this] {
        EXPECT_EQ(background("TabS11"), kSelected);
        EXPECT_EQ(background("TabS12"), kUnselected);
        EXPECT_TRUE(shown("FrmFichier"));
        EXPECT_FALSE(shown("FrmSynthese"));
        EXPECT_TRUE(shown("SliderVolWMP"));
        EXPECT_FALSE(shown("SliderVolVoix"));
    };
    expectFileMode();

    click("TabS12");
    EXPECT_EQ(background("TabS11"), kUnselected);
    EXPECT_EQ(background("TabS12"), kSelected);
    EXPECT_FALSE(shown("FrmFichier"));
    EXPECT_TRUE(shown("FrmSynthese"));
    EXPECT_FALSE(shown("FrmSynthese2"));
    EXPECT_FALSE(shown("SliderVolWMP"));
    EXPECT_TRUE(shown("SliderVolVoix"));

    click("TabS11");
    expectFileMode();
}

TEST_F(MainWindowTest, ClickingTheSelectedTabChangesNothing) {
    click("TabS11");
    click("TabS21");
    EXPECT_EQ(background("TabS11"), kSelected);
    EXPECT_EQ(background("TabS12"), kUnselected);
    EXPECT_TRUE(shown("FrmFichier"));
    EXPECT_FALSE(shown("FrmSynthese"));
    EXPECT_EQ(presenter.params().get(25), QString()); // the mode was not written again
    EXPECT_EQ(background("TabS21"), kSelected);
    EXPECT_TRUE(shown("FrmGeneral"));
}

TEST_F(MainWindowTest, EachPageTabShowsItsPage) {
    const std::array<std::pair<const char*, const char*>, ShellState::kPages> pages{{
        {"TabS22", "FrmParametre"},
        {"TabS23", "FrmAudio"},
        {"TabS24", "FrmDTMF"},
        {"TabS25", "FrmInfosOM"},
        {"TabS21", "FrmGeneral"},
    }};
    for (const auto& [tab, frame] : pages) {
        SCOPED_TRACE(tab);
        click(tab);
        EXPECT_TRUE(widget<QStackedWidget>("Pages").currentWidget()->isAncestorOf(&widget(frame)));
        EXPECT_TRUE(shown(frame));
        for (const auto& [other, otherFrame] : pages) {
            EXPECT_EQ(background(other), other == tab ? kSelected : kUnselected) << other;
            if (other != tab) {
                EXPECT_FALSE(shown(otherFrame)) << otherFrame;
            }
        }
    }
}

TEST_F(MainWindowTest, IntervalFieldIsCorrectedAndAppliedOnEnter) {
    click("TabS22");
    auto& edit = widget<QLineEdit>("TxtInterval");
    EXPECT_EQ(edit.text(), "1000");
    EXPECT_EQ(edit.maxLength(), 5);

    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(edit.text(), "250");
    EXPECT_EQ(presenter.state().cycle.fileCountdown.interval, 1000); // only Enter applies it

    key("TxtInterval", Qt::Key_Return);
    EXPECT_EQ(presenter.state().cycle.fileCountdown.interval, 250);
    EXPECT_EQ(presenter.state().cycle.speechCountdown.interval, 250);
}

TEST_F(MainWindowTest, TypingInsideAFieldKeepsTheCursor) {
    click("TabS22");
    auto& edit = widget<QLineEdit>("TxtInterval");
    edit.setFocus();
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_5);
    EXPECT_EQ(edit.text(), "15000");
    EXPECT_EQ(edit.cursorPosition(), 2);
}

TEST_F(MainWindowTest, TpsMaxFieldRejectsText) {
    click("TabS22");
    auto& edit = widget<QLineEdit>("TxtTpsMax");
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("9x"));
    EXPECT_EQ(edit.text(), "1800");
    EXPECT_EQ(presenter.state().cycle.longestPeriodText, "1800");
}

TEST_F(MainWindowTest, VolumeSliderUpdatesLabelAndPlayer) {
    key("SliderVolWMP", Qt::Key_Home);
    EXPECT_EQ(text("LblVol"), "Volume : 0%");
    EXPECT_EQ(player.vol, -2500);
    key("SliderVolWMP", Qt::Key_End);
    EXPECT_EQ(text("LblVol"), "Volume : 100%");
    EXPECT_EQ(player.vol, 0);

    click("CHKMute");
    EXPECT_TRUE(player.muted);
    EXPECT_TRUE(widget<QCheckBox>("CHKMute").isChecked());
}

TEST_F(MainWindowTest, PeriodSliderShowsPeriodAndRefreshesItsTooltip) {
    auto& slider = widget<QSlider>("SliderLireTemps");
    EXPECT_EQ(slider.value(), 30);
    EXPECT_EQ(text("PeriodLabel"), "30 sec.");

    key("SliderLireTemps", Qt::Key_End);
    EXPECT_EQ(slider.value(), 1800);
    EXPECT_EQ(text("PeriodLabel"), "1800 sec.");
    EXPECT_EQ(widget<QProgressBar>("PeriodProgress").maximum(), 1800 * 1000);

    EXPECT_TRUE(slider.hasMouseTracking());
    const QPointF at(slider.width() / 2.0, slider.height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, slider.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&slider, &move);
    EXPECT_EQ(slider.toolTip(), "Max : 30 min.");
}

TEST_F(MainWindowTest, RecentFilesComboChoosesTheFile) {
    openFile(kFileA);
    openFile(kFileB);
    auto& combo = widget<QComboBox>("ComboFichierRecent");
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), kFileB);
    EXPECT_EQ(combo.toolTip(), kFileB);
    EXPECT_EQ(text("LBLDuree"), "Durée du fichier : 0:40");

    key("ComboFichierRecent", Qt::Key_Down);
    EXPECT_EQ(combo.currentText(), kFileA);
    EXPECT_EQ(combo.toolTip(), kFileA);
    EXPECT_EQ(presenter.state().file.recentFiles.text, kFileA);
    EXPECT_EQ(text("LBLDuree"), "Durée du fichier : 0:12");
}

TEST_F(MainWindowTest, GeneralOptionsAreForwarded) {
    click("OptVOX");
    EXPECT_TRUE(widget<QRadioButton>("OptVOX").isChecked());
    EXPECT_FALSE(widget<QRadioButton>("OptPORTCOM").isChecked());
    // A second click on the chosen option leaves it chosen.
    click("OptVOX");
    EXPECT_TRUE(widget<QRadioButton>("OptVOX").isChecked());
    click("OptPORTCOM");
    EXPECT_TRUE(widget<QRadioButton>("OptPORTCOM").isChecked());
    EXPECT_FALSE(widget<QRadioButton>("OptVOX").isChecked());

    key("ComboModeCOMPTT", Qt::Key_Down);
    EXPECT_EQ(presenter.state().radio.pttLine.text, "DTR");
    EXPECT_EQ(widget<QComboBox>("ComboModeCOMPTT").currentText(), "DTR");

    // Recording raises the priority and turns to the Audio page.
    click("chkRec");
    EXPECT_EQ(recorder.shows, 1);
    EXPECT_TRUE(widget<QCheckBox>("chkRec").isChecked());
    EXPECT_TRUE(shown("FrmAudio"));
    EXPECT_EQ(background("TabS23"), kSelected);
    EXPECT_EQ(widget<QComboBox>("ComboPriorite").currentIndex(), 0);

    click("TabS22");
    key("ComboPriorite", Qt::Key_Down);
    EXPECT_EQ(priority.set_.back(), 1);
    EXPECT_EQ(presenter.state().options.priorityIndex, 1);
}

TEST_F(MainWindowTest, KeyingOptionsAndPortSearchTakeTurnsInOnePlace) {
    // No port answers: a search ends on the search panel.
    const std::array<const char*, 3> panels{"FrmPortCom", "FrmVox", "FrmPortCherche"};
    struct Step {
        const char* click;
        const char* panel; // the one panel shown after it
    };
    const std::vector<Step> steps{
        {"OptVOX", "FrmVox"},
        {"OptPORTCOM", "FrmPortCom"},
        {"IMGActualiser", "FrmPortCherche"},
        {"ImgChercheCom", "FrmPortCom"},
        {"IMGActualiser", "FrmPortCherche"},
        {"OptVOX", "FrmVox"},
        {"OptPORTCOM", "FrmPortCom"},
    };
    for (const char* panel : panels)
        EXPECT_EQ(shown(panel), panel == std::string("FrmPortCom")) << panel;
    // The page keeps its layout whichever panel shows, from the first show on.
    const QRect recordingFrame = widget("RecordingFrame").geometry();

    for (const Step& step : steps) {
        SCOPED_TRACE(step.click);
        click(step.click);
        for (const char* panel : panels)
            EXPECT_EQ(shown(panel), panel == std::string(step.panel)) << panel;
        EXPECT_TRUE(shown("OptPORTCOM"));
        EXPECT_TRUE(shown("OptVOX"));
        EXPECT_EQ(widget("RecordingFrame").geometry(), recordingFrame);
        EXPECT_EQ(presenter.state().radio.searchRetryTimer.enabled,
                  step.panel == std::string("FrmPortCherche"));
    }
}

TEST_F(MainWindowTest, PanelsShowTheirTexts) {
    click("OptVOX");
    EXPECT_EQ(widget<QGroupBox>("FrmVox").title(), "Activer le mode Vox sur ");
    EXPECT_EQ(text("LblVox"), "Activer le mode Vox sur\nvotre transmetteur.");
    click("OptPORTCOM");

    clickImageButton("IMGActualiser");
    EXPECT_EQ(text("LblPortCherche"), "Analyse du port COM32\nen cours...");
    EXPECT_EQ(toolTip("LblPortCherche"),
              "Modifier le nombre de port COM à la ligne 42 du fichier 'parametres.ini'");
    auto& progress = widget<QProgressBar>("PGPortCom");
    EXPECT_EQ(progress.minimum(), 0);
    EXPECT_EQ(progress.maximum(), 32000);
    EXPECT_EQ(progress.value(), 32000);
    EXPECT_FALSE(progress.isTextVisible());
    EXPECT_EQ(toolTip("IMGActualiser"), "Rechercher les ports COM");
    EXPECT_EQ(toolTip("ImgChercheCom"), "Arrêter la recherche de port COM");

    clickImageButton("ImgChercheCom");
    EXPECT_FALSE(shown("FrmPortCherche"));
}

TEST_F(MainWindowTest, PortListOffersTheFoundPortsAndShowsTheirDevices) {
    searchPorts({2, 5});
    auto& ports = widget<QComboBox>("PortComList");
    EXPECT_FALSE(ports.isEditable());
    ASSERT_EQ(ports.count(), 2);
    EXPECT_EQ(ports.itemText(0), "2");
    EXPECT_EQ(ports.itemText(1), "5");
    EXPECT_EQ(ports.currentText(), "2");
    EXPECT_EQ(ports.toolTip(), "/dev/fake2");
    EXPECT_TRUE(shown("FrmPortCom"));

    key("PortComList", Qt::Key_Down);
    EXPECT_EQ(ports.currentText(), "5");
    EXPECT_EQ(ports.toolTip(), "/dev/fake5");
    EXPECT_EQ(presenter.radio().chosenPort(), 5);
    EXPECT_EQ(presenter.params().get(44), "5");
}

TEST_F(MainWindowTest, TestButtonKeysWhileHeldAndTurnsGreen) {
    searchPorts({1});
    auto& button = widget<QPushButton>("CMDTest");
    EXPECT_EQ(button.text(), "TEST");
    const QColor normal = window.palette().color(QPalette::Button);
    const auto expectReleased = [&] {
        EXPECT_FALSE(presenter.state().radio.testHeld);
        EXPECT_EQ(button.palette().color(QPalette::Button), normal);
        EXPECT_FALSE(greenish(pixel("CMDTest", 0.1)));
        EXPECT_FALSE(serial.rts);
        EXPECT_EQ(pixel("ShapePTT"), kGreen);
        EXPECT_EQ(widget<QLabel>("lblDTMFPTT").palette().color(QPalette::WindowText), kGreen);
    };
    expectReleased();

    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_TRUE(presenter.state().radio.testHeld);
    EXPECT_EQ(button.toolTip(), "ON");
    EXPECT_EQ(button.palette().color(QPalette::Button), kGreen);
    EXPECT_TRUE(greenish(pixel("CMDTest", 0.1)));
    EXPECT_TRUE(serial.rts);
    EXPECT_EQ(pixel("ShapePTT"), kRed);
    EXPECT_EQ(widget<QLabel>("lblDTMFPTT").palette().color(QPalette::WindowText), kRed);

    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(button.toolTip(), "OFF");
    expectReleased();
}

TEST_F(MainWindowTest, PadlockHoldsTheTransmitterKeyed) {
    searchPorts({1});
    auto& lock = widget<QAbstractButton>("PTTLock");
    const QImage openPicture = lock.icon().pixmap(32, 32).toImage();
    EXPECT_EQ(lock.property("image").toString(), "PTTLockOuvert");
    EXPECT_EQ(lock.toolTip(), "Verrouillé le PTT");

    clickImageButton("PTTLock");
    EXPECT_EQ(lock.property("image").toString(), "PTTLockFerme");
    EXPECT_EQ(lock.toolTip(), "Déverrouillé le PTT");
    EXPECT_NE(lock.icon().pixmap(32, 32).toImage(), openPicture);
    EXPECT_TRUE(serial.rts);
    EXPECT_EQ(pixel("ShapePTT"), kRed);

    // The test button's release leaves the locked transmitter keyed.
    click("CMDTest");
    EXPECT_TRUE(serial.rts);
    EXPECT_EQ(pixel("ShapePTT"), kRed);

    click("PTTLock");
    EXPECT_EQ(lock.property("image").toString(), "PTTLockOuvert");
    EXPECT_EQ(lock.toolTip(), "Verrouillé le PTT");
    EXPECT_EQ(lock.icon().pixmap(32, 32).toImage(), openPicture);
    EXPECT_FALSE(serial.rts);
    EXPECT_EQ(pixel("ShapePTT"), kGreen);
}

TEST_F(MainWindowTest, CarrierDetectSwitchEnablesItsLineAndShowsTheInput) {
    searchPorts({3});
    auto& line = widget<QComboBox>("ComboModeCOMCOR");
    EXPECT_EQ(widget<QCheckBox>("ChkCOR").text(), "COR Mode :");
    EXPECT_FALSE(line.isEnabled());
    EXPECT_EQ(line.currentText(), "CTS");

    click("ChkCOR");
    EXPECT_TRUE(widget<QCheckBox>("ChkCOR").isChecked());
    EXPECT_TRUE(line.isEnabled());
    serial.cts = 1;
    presenter.tick(Tick::Carrier);
    EXPECT_EQ(pixel("ShapeCOR"), kRed);

    key("ComboModeCOMCOR", Qt::Key_Down);
    EXPECT_EQ(line.currentText(), "DSR");
    EXPECT_EQ(presenter.state().radio.carrierLine.text, "DSR");
    presenter.tick(Tick::Carrier);
    EXPECT_EQ(pixel("ShapeCOR"), kGreen);

    serial.dsr = 1;
    presenter.tick(Tick::Carrier);
    EXPECT_EQ(pixel("ShapeCOR"), kRed);
    click("ChkCOR");
    EXPECT_FALSE(line.isEnabled());
    EXPECT_EQ(pixel("ShapeCOR"), kGreen);
}

// Levels come every 20 ms while listening: they go straight to the view that
// draws them, never through the features' state or the window's redraw.
// The clock ticks every second and the countdown with it: each redraws the
// controls of its own feature, not the whole window.
TEST_F(MainWindowTest, ATickRedrawsOnlyTheFeatureItChanged) {
    openFile(kFileA);
    click("BTPlay");
    ASSERT_TRUE(presenter.state().cycle.running);
    const auto count = [this] {
        return std::array<long, 4>{
            window.renderCount(Feature::TimeWindows), window.renderCount(Feature::Countdown),
            window.renderCount(Feature::RadioLink), window.renderCount(Feature::Speech)};
    };
    auto before = count();
    clock.advanceMs(1000);
    presenter.tick(Tick::Clock);
    EXPECT_EQ(text("LblHorloge"), clock.t.toString("HH:mm:ss"));
    auto after = count();
    EXPECT_EQ(after[0], before[0] + 1) << "the clock";
    EXPECT_EQ(after[1], before[1]) << "the countdown";
    EXPECT_EQ(after[2], before[2]) << "the radio link";
    EXPECT_EQ(after[3], before[3]) << "the speech";

    before = after;
    presenter.tick(Tick::FileCountdown);
    after = count();
    EXPECT_EQ(after[0], before[0]) << "the clock";
    EXPECT_EQ(after[1], before[1] + 1) << "the countdown";
    EXPECT_EQ(after[2], before[2]) << "the radio link";
    EXPECT_EQ(text("LblTempTimer"), presenter.state().cycle.timeLeftLabel);

    // A tick that changes nothing draws nothing.
    const long renders = window.renderCount();
    presenter.tick(Tick::Autosave);
    EXPECT_EQ(window.renderCount(), renders);
}

// Each panel is drawn only when a feature it shows changed: the clock's tick
// redraws the time windows' panel alone, the countdown's the period panel
// alone.
TEST_F(MainWindowTest, ATickRedrawsOnlyThePanelsOfItsFeature) {
    // Every panel of the window is among those it draws.
    ASSERT_EQ(window.findChildren<Panel*>().size(), window.panels().size());
    openFile(kFileA);
    click("BTPlay");
    ASSERT_TRUE(presenter.state().cycle.running);
    const auto counts = [this] {
        std::map<QString, long> c;
        for (const Panel* panel : window.panels())
            c[panel->objectName()] = panel->renderCount();
        return c;
    };
    struct Case {
        const char* tick;
        std::function<void()> run;
        std::set<QString> redrawn;
    };
    const std::vector<Case> cases{
        {"clock",
         [this] {
             clock.advanceMs(1000);
             presenter.tick(Tick::Clock);
         },
         {"TimeWindows"}},
        {"countdown", [this] { presenter.tick(Tick::FileCountdown); }, {"PeriodPanel"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        const auto before = counts();
        c.run();
        for (const auto& [name, count] : counts())
            EXPECT_EQ(count - before.at(name), c.redrawn.count(name) ? 1 : 0) << name.toStdString();
    }
    EXPECT_EQ(text("LblHorloge"), clock.t.toString("HH:mm:ss"));
}

TEST_F(MainWindowTest, ALevelStreamReachesItsViewWithoutRedrawingTheWindow) {
    struct LevelView : QWidget {
        std::vector<double> shown;
        void draw(const LevelReading& r) {
            shown.push_back(r.db);
            update();
        }
    } view;
    const int id =
        presenter.streams().level.connect([&view](const LevelReading& r) { view.draw(r); });
    QSignalSpy changes(&presenter, &MainPresenter::changed);
    const long before = window.renderCount();
    for (int i = 0; i < 1000; ++i)
        presenter.streams().level.push(LevelReading{-0.06 * i, i % 100 == 0});
    QApplication::processEvents();
    ASSERT_EQ(view.shown.size(), 1000u);
    EXPECT_DOUBLE_EQ(view.shown.back(), -0.06 * 999);
    EXPECT_EQ(window.renderCount(), before);
    EXPECT_EQ(changes.count(), 0);
    presenter.streams().level.disconnect(id);
    presenter.streams().level.push(LevelReading{});
    EXPECT_EQ(view.shown.size(), 1000u);
}

TEST_F(MainWindowTest, IndicatorsShowTheFormColours) {
    const std::vector<std::tuple<const char*, bool, Colour>> cases{{"keyed", true, kIndicatorOn},
                                                                   {"free", false, kIndicatorOff}};
    for (const auto& [name, on, colour] : cases) {
        SCOPED_TRACE(name);
        StationState& f = presenter.state();
        f.radio.keyed = on;
        f.radio.carrierPresent = on;
        window.render();
        const QColor expected = toQColor(colour);
        EXPECT_EQ(pixel("ShapePTT"), expected);
        EXPECT_EQ(pixel("ShapeCOR"), expected);
        EXPECT_EQ(widget<QLabel>("lblDTMFPTT").palette().color(QPalette::WindowText), expected);
    }
    EXPECT_EQ(text("lblDTMFPTT"), "PTT");
}

TEST_F(MainWindowTest, RenderShowsTheFormWithoutCallingBack) {
    StationState& f = presenter.state();
    f.cycle.periodSlider = {10, 600, 120, true, QStringLiteral("Max : 10 min.")};
    f.file.volumeSlider.value = -1250;
    f.file.volumeLabel = QStringLiteral("Volume : 50%");
    f.file.recentFiles = {{kFileA, kFileB}, 1, kFileB, kFileB, true};
    f.radio.pttLine.index = 1;
    f.options.priorityIndex = 3;
    f.file.mute = true;
    f.options.recordBetweenSendings = true;
    f.radio.serialKeying = false;
    f.cycle.tickIntervalText = QStringLiteral("500");
    f.cycle.longestPeriodText = QStringLiteral("900");
    f.cycle.periodBar = {0.0f, 120.0f, 42.5f};
    f.cycle.timeLeftLabel = QStringLiteral("1:17");
    f.cycle.filePositionLabel = QStringLiteral("0:05");
    f.cycle.running = true;
    showPage(f.shell, 1);

    QSignalSpy changes(&presenter, &MainPresenter::changed);
    window.render();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(player.vol, 0);
    EXPECT_TRUE(priority.set_.empty());

    auto& period = widget<QSlider>("SliderLireTemps");
    EXPECT_EQ(period.minimum(), 10);
    EXPECT_EQ(period.maximum(), 600);
    EXPECT_EQ(period.value(), 120);
    EXPECT_EQ(period.toolTip(), "Max : 10 min.");
    EXPECT_EQ(widget<QSlider>("SliderVolWMP").value(), -1250);
    EXPECT_EQ(text("LblVol"), "Volume : 50%");
    auto& files = widget<QComboBox>("ComboFichierRecent");
    EXPECT_EQ(files.count(), 2);
    EXPECT_EQ(files.currentText(), kFileB);
    EXPECT_FALSE(files.isEditable());
    EXPECT_EQ(widget<QComboBox>("ComboModeCOMPTT").currentText(), "DTR");
    EXPECT_EQ(widget<QComboBox>("ComboPriorite").currentText(), OptionsState::kPriorities[3]);
    EXPECT_TRUE(widget<QCheckBox>("CHKMute").isChecked());
    EXPECT_TRUE(widget<QCheckBox>("chkRec").isChecked());
    EXPECT_FALSE(widget<QRadioButton>("OptPORTCOM").isChecked());
    EXPECT_TRUE(widget<QRadioButton>("OptVOX").isChecked());
    EXPECT_EQ(widget<QLineEdit>("TxtInterval").text(), "500");
    EXPECT_EQ(widget<QLineEdit>("TxtTpsMax").text(), "900");
    auto& progress = widget<QProgressBar>("PeriodProgress");
    EXPECT_EQ(progress.minimum(), 0);
    EXPECT_EQ(progress.maximum(), 120000);
    EXPECT_EQ(progress.value(), 42500);
    EXPECT_FALSE(progress.isTextVisible());
    EXPECT_EQ(text("LblTempTimer"), "1:17");
    EXPECT_EQ(text("LblTempsFichier"), "0:05");
    EXPECT_FALSE(enabled("FrmFichier"));
    EXPECT_TRUE(shown("FrmParametre"));

    presenter.setAppDir(QStringLiteral("/srv/ondrix"));
    EXPECT_EQ(text("LblDossier"), "Dossier : /srv/ondrix");
}

TEST_F(MainWindowTest, RenderShowsTheKeyingFormWithoutCallingBack) {
    StationState& f = presenter.state();
    f.radio.portList = {{"1", "4"}, 1, "4", "/dev/ttyUSB1", true};
    f.radio.testHeld = true;
    f.radio.testToolTip = QStringLiteral("ON");
    f.radio.pttLocked = true;
    pttLockToolTip(f.radio) = QStringLiteral("Déverrouillé le PTT");
    f.radio.carrierDetectOn = true;
    f.radio.carrierLine.enabled = true;
    f.radio.carrierLine.index = 2;
    f.radio.portPanelVisible = false;
    f.radio.searchPanelVisible = true;
    f.radio.searchLabel = QStringLiteral("Analyse du port COM7\nen cours...");
    f.radio.searchProgress = {0.0f, 16.0f, 7.0f};

    QSignalSpy changes(&presenter, &MainPresenter::changed);
    window.render();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(serial.log.isEmpty());

    auto& ports = widget<QComboBox>("PortComList");
    EXPECT_EQ(ports.count(), 2);
    EXPECT_EQ(ports.currentText(), "4");
    EXPECT_EQ(ports.toolTip(), "/dev/ttyUSB1");
    auto& test = widget<QPushButton>("CMDTest");
    EXPECT_EQ(test.palette().color(QPalette::Button), kGreen);
    EXPECT_EQ(test.toolTip(), "ON");
    EXPECT_EQ(widget("PTTLock").property("image").toString(), "PTTLockFerme");
    EXPECT_EQ(toolTip("PTTLock"), "Déverrouillé le PTT");
    EXPECT_TRUE(widget<QCheckBox>("ChkCOR").isChecked());
    EXPECT_TRUE(enabled("ComboModeCOMCOR"));
    EXPECT_EQ(widget<QComboBox>("ComboModeCOMCOR").currentText(), "DCD");
    EXPECT_FALSE(shown("FrmPortCom"));
    EXPECT_TRUE(shown("FrmPortCherche"));
    EXPECT_EQ(text("LblPortCherche"), "Analyse du port COM7\nen cours...");
    EXPECT_EQ(widget<QProgressBar>("PGPortCom").maximum(), 16000);
    EXPECT_EQ(widget<QProgressBar>("PGPortCom").value(), 7000);
}

TEST_F(MainWindowTest, PeriodBarShowsTheElapsedPartOfTheMessage) {
    const QColor wavColour(0xC0, 0x00, 0x00); // ShapeWAV's 0x0000C0
    const QColor totalColour(0x00, 0xC4, 0x00);
    struct Probe {
        double at; // fraction of the bar's width
        QColor colour;
    };
    struct Case {
        const char* name;
        int wavWidth, cacheLeft, cacheWidth;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases{
        {"idle: all covered", 4688, 0, kPeriodBarUnits, {{0.1, totalColour}, {0.9, totalColour}}},
        {"a quarter elapsed",
         4688,
         2344,
         7031,
         {{0.1, wavColour}, {0.35, totalColour}, {0.75, totalColour}}},
        {"all elapsed", 4688, kPeriodBarUnits, 0, {{0.4, wavColour}, {0.6, totalColour}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationState& f = presenter.state();
        f.cycle.barMessage.width = c.wavWidth;
        f.cycle.barCover.left = c.cacheLeft;
        f.cycle.barCover.width = c.cacheWidth;
        window.render();
        QWidget& bar = widget("PeriodBar");
        const QImage picture = bar.grab().toImage();
        for (const Probe& p : c.probes) {
            const int x = static_cast<int>(p.at * picture.width());
            EXPECT_EQ(picture.pixelColor(x, picture.height() / 2), p.colour) << "at " << p.at;
        }
    }
}

TEST_F(MainWindowTest, DraggingTheBackgroundMovesTheWindow) {
    // The offscreen platform cannot move windows itself, so this exercises the
    // hand-made move used wherever the platform refuses.
    window.move(100, 100);
    QWidget& title = widget("LblTitre");
    const QPoint from = title.mapToGlobal(QPoint(2, 2));
    const auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        const QPointF local = title.mapFromGlobal(QPointF(global));
        QMouseEvent e(type, local, QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&title, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(30, 20), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(30, 20), Qt::NoButton);
    EXPECT_EQ(window.pos(), QPoint(130, 120));
}

TEST_F(MainWindowTest, CloseButtonClosesTheWindow) {
    presenter.start(); // the caption is set by start-up
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Ondrix v0.1");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    click("ImgClose");
    EXPECT_FALSE(window.isVisible());
}

// ---------------------------------------------------------------- speech frame

TEST_F(MainWindowTest, EnterInTheMessageEndsASentenceOnTheSameLine) {
    openSpeechTab();
    typeMessage(QStringLiteral("Bonjour"));
    key("TxtSynthese", Qt::Key_Return);
    typeMessage(QStringLiteral("ici F4ABC"));
    EXPECT_EQ(message().toPlainText(), "Bonjour. ici F4ABC");
    EXPECT_EQ(message().document()->blockCount(), 1);
    EXPECT_EQ(presenter.params().get(27), "Bonjour. ici F4ABC");

    // Enter replaces a selection; the caret follows the ". ".
    selectInMessage(9, 4); // "ici "
    QTest::keyClick(&message(), Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(message().toPlainText(), "Bonjour. . F4ABC");
    EXPECT_EQ(message().textCursor().position(), 11);
    EXPECT_FALSE(message().textCursor().hasSelection());

    // Pasted lines join the same way.
    message().clear();
    QApplication::clipboard()->setText(QStringLiteral("ligne 1\nligne 2\r\nligne 3"));
    QTest::keyClick(&message(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(message().toPlainText(), "ligne 1. ligne 2. ligne 3");
    EXPECT_EQ(message().document()->blockCount(), 1);
    EXPECT_EQ(presenter.state().speech.text, "ligne 1. ligne 2. ligne 3");
}

TEST_F(MainWindowTest, TypingInsideTheMessageKeepsTheCaret) {
    openSpeechTab();
    typeMessage(QStringLiteral("Bonjour"));
    clickMessageAt(3);
    typeMessage(QStringLiteral("XY"));
    EXPECT_EQ(message().toPlainText(), "BonXYjour");
    EXPECT_EQ(message().textCursor().position(), 5);
    EXPECT_EQ(presenter.state().speech.text, "BonXYjour");
}

TEST_F(MainWindowTest, ClickingInsideATagSelectsTheWholeTag) {
    openSpeechTab();
    typeMessage(QStringLiteral("Il est [Date] a [QTH]"));
    struct Case {
        int pos;
        const char* selected;
    };
    for (const Case& c : {Case{9, "[Date]"}, Case{13, "[Date]"}, Case{7, ""}, Case{3, ""},
                          Case{18, "[QTH]"}, Case{14, ""}}) {
        SCOPED_TRACE(c.pos);
        clickMessageAt(c.pos);
        EXPECT_EQ(selectedText(), c.selected);
        if (!*c.selected) {
            EXPECT_EQ(message().textCursor().position(), c.pos);
        }
    }
    // A selection dragged up to the end of a tag is kept: what counts is
    // where it starts.
    MessageEdit& edit = message();
    QTextCursor from(edit.document()), to(edit.document());
    from.setPosition(14);
    to.setPosition(21);
    QTest::mousePress(edit.viewport(), Qt::LeftButton, Qt::NoModifier,
                      edit.cursorRect(from).center());
    QTest::mouseMove(edit.viewport(), edit.cursorRect(to).center());
    QTest::mouseRelease(edit.viewport(), Qt::LeftButton, Qt::NoModifier,
                        edit.cursorRect(to).center());
    EXPECT_EQ(selectedText(), "a [QTH]");

    // Clicking the message turns the voice list into the tag list.
    EXPECT_FALSE(shown("ListVoix"));
    EXPECT_TRUE(shown("ComboOndrixTexte"));
    EXPECT_TRUE(shown("CmdAjoutOndrix"));
}

TEST_F(MainWindowTest, DoubleClickOrCtrlASelectsTheWholeMessage) {
    openSpeechTab();
    const QString text = QStringLiteral("Il est [Heure:Minute]");
    typeMessage(text);
    // The release that ends the double-click is no click: it would select
    // the tag at the caret, now at the end.
    QTextCursor at(message().document());
    at.setPosition(10);
    doubleClick(message().viewport(), message().cursorRect(at).center());
    EXPECT_EQ(selectedText(), text);

    clickMessageAt(2);
    ASSERT_EQ(selectedText(), "");
    QTest::keyClick(&message(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedText(), text);
    EXPECT_EQ(message().toPlainText(), text);
}

TEST_F(MainWindowTest, ArrowKeysSelectAWholeTagAndLeaveIt) {
    openSpeechTab();
    typeMessage(QStringLiteral("ab [Date] cd"));
    clickMessageAt(2);
    struct Step {
        Qt::Key key;
        const char* selected;
        int caret;
    };
    for (const Step& step :
         {Step{Qt::Key_Right, "", 3}, Step{Qt::Key_Right, "[Date]", 9}, Step{Qt::Key_Right, "", 10},
          Step{Qt::Key_Left, "[Date]", 3}, Step{Qt::Key_Left, "", 2}, Step{Qt::Key_End, "", 12}}) {
        SCOPED_TRACE(step.caret);
        key("TxtSynthese", step.key);
        EXPECT_EQ(selectedText(), step.selected);
        EXPECT_EQ(message().textCursor().position(), step.caret);
    }
    // Shift extends a selection across a tag without snapping to it.
    key("TxtSynthese", Qt::Key_Home);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&message(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(selectedText(), "ab [D");
}

TEST_F(MainWindowTest, TagButtonInsertsTheChosenTagAtTheCaret) {
    openSpeechTab();
    typeMessage(QStringLiteral("Il est  ici"));
    clickMessageAt(7);
    auto& tags = widget<QComboBox>("ComboOndrixTexte");
    ASSERT_EQ(tags.count(), 6);
    EXPECT_EQ(tags.currentText(), "[Heure:Minute]");
    key("ComboOndrixTexte", Qt::Key_Down);
    EXPECT_EQ(tags.currentText(), "[Date]");
    EXPECT_EQ(widget<QPushButton>("CmdAjoutOndrix").text(), "Ajouter ondrix texte");
    click("CmdAjoutOndrix");
    EXPECT_EQ(message().toPlainText(), "Il est [Date] ici");
    EXPECT_EQ(message().textCursor().position(), 13);
    EXPECT_TRUE(message().hasFocus());
    EXPECT_EQ(presenter.params().get(27), "Il est [Date] ici");

    // A selection is replaced by the tag.
    selectInMessage(14, 3);
    tags.setFocus();
    for (int i = 0; i < 3; ++i)
        key("ComboOndrixTexte", Qt::Key_Down);
    EXPECT_EQ(tags.currentText(), "[QTH]");
    click("CmdAjoutOndrix");
    EXPECT_EQ(message().toPlainText(), "Il est [Date] [QTH]");
    EXPECT_EQ(message().textCursor().position(), 19);
    EXPECT_TRUE(message().hasFocus());
}

TEST_F(MainWindowTest, VoiceListShowsTheVoicesAndAClickChoosesOne) {
    openSpeechTab();
    auto& list = widget<QListWidget>("ListVoix");
    ASSERT_EQ(list.count(), 2);
    for (int i = 0; i < list.count(); ++i)
        EXPECT_EQ(list.item(i)->text(), presenter.state().speech.voiceList.items[i]);
    EXPECT_EQ(list.currentRow(), -1);
    EXPECT_EQ(list.toolTip(), "Double-cliquer pour tester la voix");
    EXPECT_EQ(text("VoiceCaption"), "Sélectionner la voix :");
    EXPECT_EQ(text("LblNomVoix"), "Nom Voix");
    EXPECT_EQ(toolTip("LblNomVoix"), "Cliquez pour afficher/masquer la liste des voix disponibles");

    // One tab after a long name, two after a short one: the language column
    // ("Français" on both lines) is drawn at the same place.
    ASSERT_TRUE(list.item(0)->text().contains("\t\t"));
    ASSERT_FALSE(list.item(1)->text().contains("\t\t"));
    const QImage shot = list.viewport()->grab().toImage();
    // Where the last run of text on a line starts: scanning from the right,
    // the first gap wider than a space between letters ends it.
    const auto lastColumn = [&](int row) {
        const QRect r = list.visualItemRect(list.item(row)) & shot.rect();
        const auto inked = [&](int x) {
            for (int y = r.top(); y <= r.bottom(); ++y)
                if (shot.pixelColor(x, y).lightness() < 128)
                    return true;
            return false;
        };
        int x = r.right();
        while (x > r.left() && !inked(x))
            --x;
        int start = x, gap = 0;
        for (; x > r.left() && gap < 8; --x) {
            if (inked(x)) {
                start = x;
                gap = 0;
            } else {
                ++gap;
            }
        }
        return start;
    };
    EXPECT_EQ(lastColumn(0), lastColumn(1));
    EXPECT_LT(lastColumn(0), list.viewport()->width() - 30) << "a word, not a speck";

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(text("LblNomVoix"), "French");
    EXPECT_EQ(speaker.selected, 0);
    EXPECT_EQ(presenter.params().get(26), "0");

    doubleClick(list.viewport(), list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(speaker.spoken, QStringList{"Bonjour"});

    // A name too long for the label empties it; the label keeps its room.
    key("ListVoix", Qt::Key_Down);
    EXPECT_EQ(speaker.selected, 1);
    EXPECT_EQ(text("LblNomVoix"), "");
    EXPECT_GT(widget("LblNomVoix").width(), 40);
}

TEST_F(MainWindowTest, VoiceNameTogglesTheVoiceListAndTheTagList) {
    openSpeechTab();
    const std::vector<const char*> controls{"TxtSynthese", "SpeedCaption", "SliderVoixSpeed",
                                            "ChkLireMeteo", "UpdateVoicesButton"};
    std::vector<QRect> places;
    for (const char* name : controls)
        places.push_back(widget(name).geometry());
    const auto expectVoices = [this](bool voices) {
        EXPECT_EQ(shown("ListVoix"), voices);
        EXPECT_EQ(shown("ComboOndrixTexte"), !voices);
        EXPECT_EQ(shown("CmdAjoutOndrix"), !voices);
    };
    expectVoices(true);

    const std::vector<std::pair<const char*, bool>> steps{{"LblNomVoix", false},
                                                          {"LblNomVoix", true},
                                                          {"VoiceCaption", false},
                                                          {"VoiceCaption", true},
                                                          {"TxtSynthese", false}};
    for (const auto& [name, voices] : steps) {
        SCOPED_TRACE(name);
        if (name == std::string("TxtSynthese"))
            clickMessageAt(0);
        else
            click(name);
        expectVoices(voices);
        for (size_t i = 0; i < controls.size(); ++i)
            EXPECT_EQ(widget(controls[i]).geometry(), places[i]) << controls[i];
    }
}

TEST_F(MainWindowTest, SpeechSlidersAreForwarded) {
    openSpeechTab();
    auto& speed = widget<QSlider>("SliderVoixSpeed");
    EXPECT_EQ(speed.minimum(), 10);
    EXPECT_EQ(speed.maximum(), 250);
    EXPECT_EQ(speed.value(), 150);
    EXPECT_EQ(text("lblWpM"), "150 mot(s)/min.");
    for (int i = 0; i < 3; ++i)
        key("SliderVoixSpeed", Qt::Key_PageDown);
    EXPECT_EQ(speed.value(), 120);
    EXPECT_EQ(text("lblWpM"), "120 mot(s)/min.");
    EXPECT_EQ(speaker.speed, 120);
    EXPECT_EQ(presenter.params().get(30), "120");

    // Its caption hands it the focus.
    EXPECT_EQ(text("SpeedCaption"), "Vitesse :");
    click("SpeedCaption");
    EXPECT_TRUE(speed.hasFocus());

    auto& volume = widget<QSlider>("SliderVolVoix");
    ASSERT_TRUE(volume.isVisible());
    key("SliderVolVoix", Qt::Key_PageDown);
    EXPECT_EQ(volume.value(), 90);
    EXPECT_EQ(text("LblVol"), "Volume : 90%");
    EXPECT_EQ(speaker.volume, 90);
    key("SliderVolVoix", Qt::Key_Home);
    EXPECT_EQ(text("LblVol"), "Volume : 0%");
    EXPECT_EQ(speaker.volume, 0);
}

TEST_F(MainWindowTest, WeatherBoxAndUpdateButtonAreForwarded) {
    openSpeechTab();
    auto& weather = widget<QCheckBox>("ChkLireMeteo");
    EXPECT_EQ(weather.text(), "Lire la météo");
    click("ChkLireMeteo");
    EXPECT_TRUE(presenter.state().speech.readWeather);
    EXPECT_TRUE(weather.isChecked());

    // "MAJ" lists the voices again: a voice installed since shows.
    EXPECT_EQ(widget<QPushButton>("UpdateVoicesButton").text(), "MAJ");
    speaker.voices.push_back({"English", 2, 1033});
    click("UpdateVoicesButton");
    auto& list = widget<QListWidget>("ListVoix");
    ASSERT_EQ(list.count(), 3);
    EXPECT_TRUE(list.item(2)->text().startsWith("English"));
}

TEST_F(MainWindowTest, ProblemFrameExplainsAndRestarts) {
    speaker.created = false;
    presenter.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, VoiceCatalogue::kMsgErreurChargement);

    click("TabS12");
    EXPECT_TRUE(shown("FrmSynthese2"));
    EXPECT_FALSE(shown("FrmSynthese"));
    EXPECT_FALSE(shown("FrmFichier"));
    EXPECT_EQ(widget<QPushButton>("CmdResoudreProb").text(), "Comment résoudre le problème ?");
    EXPECT_EQ(widget<QPushButton>("CmdProbOK").text(), "J'ai résolu le problème !");

    click("CmdResoudreProb");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text,
              "En installant le fichier 'lhttsfrf.exe' téléchargeable sur internet.");

    // Cancel keeps the failure noted; OK clears it for the restart.
    click("CmdProbOK");
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2].text, "L'application va redémarrer.");
    EXPECT_EQ(dialogs.messages[2].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(presenter.params().get(47), "Erreur");
    dialogs.answers = {MsgAnswer::Ok};
    click("CmdProbOK");
    EXPECT_EQ(presenter.params().get(47), QString());
}

TEST_F(MainWindowTest, SpeechTabIsLockedWithoutVoices) {
    speaker.voices.clear();
    presenter.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, VoiceCatalogue::kMsgAucuneVoix);
    EXPECT_FALSE(enabled("TabS12"));
    const QColor caption = widget<QLabel>("TabS12").palette().color(QPalette::WindowText);
    EXPECT_NE(caption, QColor(Qt::white)) << "greyed";

    click("TabS12");
    EXPECT_TRUE(shown("FrmFichier"));
    EXPECT_FALSE(shown("FrmSynthese"));
    EXPECT_EQ(background("TabS12"), kUnselected);
}

TEST_F(MainWindowTest, EmptyMessageIsReplacedByASelectedPrompt) {
    openSpeechTab();
    click("BTPlay");
    EXPECT_TRUE(speaker.spoken.isEmpty());
    EXPECT_EQ(message().toPlainText(), Beacon::kPromptTexte);
    EXPECT_EQ(selectedText(), Beacon::kPromptTexte);
    EXPECT_TRUE(message().hasFocus());
    EXPECT_FALSE(presenter.state().shell.shortcutsActive);
    // Typing replaces the prompt.
    typeMessage(QStringLiteral("Bonjour"));
    EXPECT_EQ(presenter.state().speech.text, "Bonjour");
}

TEST_F(MainWindowTest, SpeakingLocksTheMessageAndTheVoiceList) {
    click("OptVOX");
    openSpeechTab();
    typeMessage(QStringLiteral("Bonjour"));
    clickMessageAt(0);
    ASSERT_TRUE(message().hasFocus());
    ASSERT_FALSE(presenter.state().shell.shortcutsActive);

    click("BTPlay");
    EXPECT_EQ(speaker.spoken.back(), "Bonjour");
    EXPECT_FALSE(enabled("FrmSynthese"));
    QWidget& frame = widget("FrmSynthese");
    EXPECT_TRUE(widget("TxtSynthese").isEnabledTo(&frame));
    speaker.started();
    EXPECT_FALSE(widget("TxtSynthese").isEnabledTo(&frame));
    EXPECT_FALSE(widget("ListVoix").isEnabledTo(&frame));
    // The box lost the focus while the window was redrawn; the presenter
    // hears of it once the redraw is over.
    EXPECT_FALSE(message().hasFocus());
    QCoreApplication::processEvents();
    EXPECT_TRUE(presenter.state().shell.shortcutsActive);

    speaker.finished();
    EXPECT_TRUE(widget("TxtSynthese").isEnabledTo(&frame));
    EXPECT_TRUE(widget("ListVoix").isEnabledTo(&frame));
    EXPECT_FALSE(enabled("FrmSynthese")); // the cycle still runs

    click("BTPlay");
    EXPECT_TRUE(enabled("FrmSynthese"));
    EXPECT_TRUE(widget("TxtSynthese").isEnabled());
}

TEST_F(MainWindowTest, RenderShowsTheSpeechFormWithoutCallingBack) {
    openSpeechTab();
    typeMessage(QStringLiteral("Bonjour"));
    clickMessageAt(3);

    StationState& f = presenter.state();
    f.speech.voiceNameLabel = QStringLiteral("Voix 2");
    f.speech.voiceList.index = 1;
    f.speech.voiceListVisible = false;
    f.speech.tagListVisible = true;
    f.speech.tagList.index = 5;
    f.speech.speedSlider.value = 200;
    f.speech.speedLabel = QStringLiteral("200 mot(s)/min.");
    f.speech.readWeather = true;
    QSignalSpy changes(&presenter, &MainPresenter::changed);
    const int selected = speaker.selected;
    window.render();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(speaker.selected, selected);
    EXPECT_EQ(speaker.speed, 150);

    EXPECT_EQ(text("LblNomVoix"), "Voix 2");
    EXPECT_EQ(widget<QListWidget>("ListVoix").currentRow(), 1);
    EXPECT_FALSE(shown("ListVoix"));
    EXPECT_TRUE(shown("ComboOndrixTexte"));
    EXPECT_EQ(widget<QComboBox>("ComboOndrixTexte").currentText(), "[Indicatif Ondrix]");
    EXPECT_EQ(widget<QSlider>("SliderVoixSpeed").value(), 200);
    EXPECT_EQ(text("lblWpM"), "200 mot(s)/min.");
    EXPECT_TRUE(widget<QCheckBox>("ChkLireMeteo").isChecked());
    // The unchanged message keeps its caret.
    EXPECT_EQ(message().textCursor().position(), 3);

    // A selection request is applied once, with the focus.
    f.speech.text = QStringLiteral("Il est [Date]");
    f.speech.selectionStart = 7;
    f.speech.selectionLength = 6;
    ++f.speech.selectionSeq;
    window.render();
    EXPECT_EQ(message().toPlainText(), "Il est [Date]");
    EXPECT_EQ(selectedText(), "[Date]");
    clickMessageAt(2);
    window.render();
    EXPECT_EQ(message().textCursor().position(), 2);
    EXPECT_EQ(selectedText(), "");
}

// ---------------------------------------------------------------- operator details

TEST_F(MainWindowTest, OperatorPageShowsTheDetailsAndSpellsTheQth) {
    click("TabS25");
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(text("LblInfosOM"), "Entrez ici les informations vous concernant :");
    const std::array<std::pair<const char*, const char*>, 4> labels{{
        {"LblParamOM0", "Prénom :"},
        {"LblParamOM1", "Indicatif :"},
        {"LblParamOM2", "QTH :"},
        {"LblParamOM3", "Indicatif ondrix :"},
    }};
    for (const auto& [name, caption] : labels)
        EXPECT_EQ(text(name), caption) << name;
    const std::array<const char*, 5> fields{"ParamOM0", "ParamOM1", "ParamOM2", "ParamOM3",
                                            "ParamOM4"};
    for (size_t i = 0; i < fields.size(); ++i)
        EXPECT_EQ(widget<QLineEdit>(fields[i]).text(), OperatorInfo::kDefaults[i]) << fields[i];
    // The spelling sits to the right of the QTH.
    EXPECT_GT(widget("ParamOM4").x(), widget("ParamOM2").x() + widget("ParamOM2").width());
    EXPECT_EQ(widget("ParamOM4").y(), widget("ParamOM2").y());

    auto& qth = widget<QLineEdit>("ParamOM2");
    auto& spelled = widget<QLineEdit>("ParamOM4");
    struct Case {
        const char* typed;
        const char* spelling;
    };
    for (const Case& c : {Case{"jn18du", ".Juliette..November.18.Delta..Uniform."},
                          Case{"JN18du", "18.Delta..Uniform."}}) {
        SCOPED_TRACE(c.typed);
        click("ParamOM2"); // a click empties the QTH and its spelling
        EXPECT_EQ(qth.text(), "");
        EXPECT_EQ(spelled.text(), "");
        QTest::keyClicks(&qth, QString::fromLatin1(c.typed));
        EXPECT_EQ(qth.text(), c.typed);
        EXPECT_EQ(spelled.text(), c.spelling);
        EXPECT_EQ(presenter.params().getOM(2), c.typed);
        EXPECT_EQ(presenter.params().getOM(4), c.spelling);
    }

    for (Qt::Key erase : {Qt::Key_Backspace, Qt::Key_Delete}) {
        SCOPED_TRACE(erase);
        qth.setCursorPosition(3);
        QTest::keyClick(&qth, erase);
        EXPECT_EQ(qth.text(), "");
        EXPECT_EQ(spelled.text(), "");
        EXPECT_EQ(presenter.params().getOM(2), "");
        EXPECT_EQ(presenter.params().getOM(4), "");
        QTest::keyClicks(&qth, QStringLiteral("in"));
        EXPECT_EQ(spelled.text(), ".India..November.");
    }

    // Any field's click empties the QTH; the first name takes what is typed.
    auto& name = widget<QLineEdit>("ParamOM0");
    click("ParamOM0");
    EXPECT_EQ(qth.text(), "");
    EXPECT_EQ(spelled.text(), "");
    EXPECT_TRUE(name.hasFocus());
    EXPECT_FALSE(presenter.state().shell.shortcutsActive);
    name.selectAll();
    QTest::keyClicks(&name, QStringLiteral("Paul"));
    EXPECT_EQ(presenter.params().getOM(0), "Paul");
    EXPECT_EQ(spelled.text(), "");
    name.clearFocus();
    EXPECT_TRUE(presenter.state().shell.shortcutsActive);
}

// ---- daily time windows

TEST_F(MainWindowTest, TimeFieldsFollowTheirRulesAndHandTheFocusOn) {
    click("TabS22");
    QApplication::setActiveWindow(&window);
    for (const char* part : {"H", "M", "S"})
        for (const char* time : {"Deb", "Fin"})
            for (const char* w : {"1", "2", "3"}) {
                const std::string name = std::string("TextTimeOut") + part + time + w;
                auto& field = widget<QLineEdit>(name.c_str());
                EXPECT_EQ(field.maxLength(), 2) << name;
                EXPECT_EQ(field.text(), "00") << name;
            }

    auto& hour = widget<QLineEdit>("TextTimeOutHDeb1");
    auto& minute = widget<QLineEdit>("TextTimeOutMDeb1");
    click("TextTimeOutHDeb1");
    ASSERT_TRUE(hour.hasFocus());
    QCoreApplication::processEvents(); // the whole text is selected once the click is over
    EXPECT_EQ(hour.selectedText(), "00");
    EXPECT_FALSE(presenter.state().shell.shortcutsActive);

    QTest::keyClicks(&hour, QStringLiteral("30"));
    EXPECT_EQ(hour.text(), "23");
    EXPECT_TRUE(minute.hasFocus());
    EXPECT_EQ(minute.selectedText(), "00");
    EXPECT_FALSE(presenter.state().shell.shortcutsActive);

    QTest::keyClicks(&minute, QStringLiteral("5"));
    EXPECT_EQ(minute.text(), "5");
    EXPECT_TRUE(minute.hasFocus());
    click("TxtInterval");
    EXPECT_EQ(minute.text(), "05");
    EXPECT_EQ(presenter.state().windows.fields[1], "05");
    EXPECT_TRUE(presenter.state().shell.shortcutsActive);

    auto& second = widget<QLineEdit>("TextTimeOutSFin1");
    click("TextTimeOutSFin1");
    QCoreApplication::processEvents();
    QTest::keyClicks(&second, QStringLiteral("7"));
    EXPECT_EQ(second.text(), "59");
    EXPECT_TRUE(second.hasFocus());
}

TEST_F(MainWindowTest, PeriodTabsShowOneWindowAtATime) {
    click("TabS22");
    EXPECT_TRUE(shown("LblHorloge"));
    EXPECT_TRUE(shown("FrmPeriode1"));
    EXPECT_EQ(widget<QCheckBox>("ChkDecl1").text(), "Déclenchement entre");
    for (const char* tab : {"TabS32", "TabS33", "TabS31"}) {
        SCOPED_TRACE(tab);
        click(tab);
        const char w = tab[5];
        for (const char other : {'1', '2', '3'}) {
            const std::string frame = std::string("FrmPeriode") + other;
            const std::string otherTab = std::string("TabS3") + other;
            const std::string field = std::string("TextTimeOutHDeb") + other;
            EXPECT_EQ(shown(frame.c_str()), other == w) << frame;
            EXPECT_EQ(shown(field.c_str()), other == w) << field;
            EXPECT_EQ(background(otherTab.c_str()), other == w ? kSelected : kUnselected)
                << otherTab;
        }
    }
    click("TabS32");
    click("ChkDecl2");
    EXPECT_EQ(presenter.state().windows.enabled, (std::array<bool, 3>{false, true, false}));
}

TEST_F(MainWindowTest, ClockAndWindowsShowTheForm) {
    StationState& f = presenter.state();
    f.windows.clockLabel = QStringLiteral("08:15:42");
    f.windows.enabled = {false, false, true};
    f.windows.fields[17] = QStringLiteral("30");
    f.windows.shownWindow = 2;
    QSignalSpy changes(&presenter, &MainPresenter::changed);
    window.render();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(text("LblHorloge"), "08:15:42");
    EXPECT_TRUE(widget<QCheckBox>("ChkDecl3").isChecked());
    EXPECT_FALSE(widget<QCheckBox>("ChkDecl1").isChecked());
    EXPECT_EQ(widget<QLineEdit>("TextTimeOutSFin3").text(), "30");

    // The one-second tick shows the time of day.
    presenter.tick(Tick::Clock);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(text("LblHorloge"))
                    .hasMatch())
        << text("LblHorloge").toStdString();
}

// ---- end daily time windows

} // namespace
