#pragma once

#include "gui/mainwindow.h"
#include "gui/qtdialogs.h"
#include "station/station.h"

#include <QObject>

namespace ondrix {

struct AppOptions {
    QString appDir;
    // Replaces the real message boxes and file dialog (scripted runs, tests).
    Dialogs* dialogs = nullptr;
    // The window is shown before start-up, which then runs with the loading
    // panel drawn at each of its pauses (the program). Otherwise start-up
    // runs before anything is shown (tests show the window themselves).
    bool showWhileLoading = false;
};

// The windowed program: the station, the Qt dialogs and the main window.
// Closing the window, or the desktop session ending, runs the shut-down;
// the station's stopped() follows, and the event loop is left.
class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(const AppOptions& options);
    ~Application() override;

    Station& station() { return station_; }
    MainPresenter& presenter() { return station_.presenter(); }
    MainWindow& window() { return window_; }
    SndfilePlayer& player() { return station_.player(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The waits of start-up, with the window drawn and its non-input events
    // handled meanwhile; plain sleeps otherwise (the timers run then, and must
    // not tick inside a port search).
    class LoadingPauses : public Sleeper {
    public:
        void sleepMs(int ms) override;
        MainWindow* window = nullptr;
        bool loading = false;

    private:
        ThreadSleeper sleeper_;
    };

    QtDialogs qtDialogs_;
    LoadingPauses pauses_;
    Station station_;
    MainWindow window_;
};

} // namespace ondrix
