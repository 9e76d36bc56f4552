#include "gui/application.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

namespace ondrix {

void Application::LoadingPauses::sleepMs(int ms) {
    if (!loading || !window || !window->isVisible()) {
        sleeper_.sleepMs(ms);
        return;
    }
    // Start-up changes the form without telling the window until its end.
    window->render();
    window->repaint();
    QEventLoop loop;
    QTimer::singleShot(std::max(0, ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

Application::Application(const AppOptions& options)
    : station_(options.appDir, options.dialogs ? *options.dialogs : qtDialogs_, &pauses_),
      window_(station_.presenter()) {
    qtDialogs_.setParent(&window_);
    pauses_.window = &window_;
    window_.installEventFilter(this);
    connect(&station_, &Station::stopped, this, [] { QCoreApplication::exit(0); });
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The desktop session ends: the same shut-down as a closed window.
        connect(gui, &QGuiApplication::commitDataRequest, this,
                [this] { station_.requestShutDown(); });
        connect(gui, &QCoreApplication::aboutToQuit, this, [this] { station_.requestShutDown(); });
    }
    if (options.showWhileLoading)
        window_.show();
    pauses_.loading = true;
    station_.start();
    pauses_.loading = false;
}

Application::~Application() {
    pauses_.window = nullptr;
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) {
        station_.requestShutDown();
        // During start-up the shut-down waits for its end: the window stays.
        if (!station_.stoppedForGood()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ondrix
