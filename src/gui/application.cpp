#include "gui/application.h"

namespace ondrix {

Application::Application(const AppOptions& options)
    : presenter_(MainPresenter::Services{player_, options.dialogs ? *options.dialogs : qtDialogs_,
                                         speaker_, recorder_, priority_, &serial_, &sleeper_,
                                         nullptr, &restart_}),
      timers_(presenter_), window_(presenter_) {
    qtDialogs_.setParent(&window_);
    presenter_.setAppDir(options.appDir);
    presenter_.start();
}

Application::~Application() {
    // Nothing may tick into a half-destroyed window, and the transmitter is
    // released with the port.
    presenter_.beacon().CMDSTOP();
    presenter_.beacon().CMDSTOPSynth();
    presenter_.form().timerCOR.enabled = false;
    presenter_.form().timerCOMValide.enabled = false;
    timers_.sync();
    serial_.close();
}

} // namespace ondrix
