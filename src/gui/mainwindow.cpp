#include "gui/mainwindow.h"

namespace ondrix {

struct MainWindow::Ui {};

MainWindow::MainWindow(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui>()), presenter_(presenter) {
    connect(&presenter_, &MainPresenter::changed, this, &MainWindow::render);
}
MainWindow::~MainWindow() = default;
void MainWindow::render() {}

} // namespace ondrix
