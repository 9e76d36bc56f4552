#include "app/appdir.h"
#include "gui/application.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ondrix"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    const ondrix::CommandLine cl = ondrix::parseCommandLine(QApplication::arguments());
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(cl.error));
        return 2;
    }
    if (cl.headless) {
        std::fprintf(stderr, "Le mode sans fenêtre (--headless) n'est pas encore disponible.\n");
        return 2;
    }
    QString error;
    const QString dir = ondrix::resolveAppDir(
        cl.dir, QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), &error);
    if (dir.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    ondrix::Application app(ondrix::AppOptions{dir, nullptr});
    app.window().show();
    return QApplication::exec();
}
