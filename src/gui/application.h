#pragma once

#include "app/mainpresenter.h"
#include "app/timerdriver.h"
#include "gui/mainwindow.h"
#include "gui/qtdialogs.h"
#include "platform/espeakengine.h"
#include "platform/qtseriallink.h"
#include "platform/sndfileplayer.h"
#include "platform/systemservices.h"

namespace ondrix {

struct AppOptions {
    QString appDir;
    // Replaces the real message boxes and file dialog (scripted runs, tests).
    Dialogs* dialogs = nullptr;
};

// The whole program wired with its real adapters: what main() runs, and what
// end-to-end tests drive.
class Application {
public:
    explicit Application(const AppOptions& options);
    ~Application();

    MainPresenter& presenter() { return presenter_; }
    MainWindow& window() { return window_; }
    SndfilePlayer& player() { return player_; }

private:
    QtDialogs qtDialogs_;
    SndfilePlayer player_;
    EspeakEngine speaker_;
    NoRecorder recorder_;
    PosixPriority priority_;
    QtSerialLink serial_;
    ThreadSleeper sleeper_;
    ProcessRestart restart_;
    MainPresenter presenter_;
    TimerDriver timers_;
    MainWindow window_;
};

} // namespace ondrix
