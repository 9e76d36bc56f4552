#include "app/appdir.h"

#include <QDir>
#include <QFileInfo>

namespace ondrix {

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine cl;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--dir")) {
            if (i + 1 >= args.size()) {
                cl.error = QStringLiteral("L'option --dir demande un dossier.");
                return cl;
            }
            cl.dir = args[++i];
        } else if (a.startsWith(QLatin1String("--dir="))) {
            cl.dir = a.mid(6);
        } else if (a == QLatin1String("--headless")) {
            cl.headless = true;
        } else {
            cl.error = QStringLiteral("Option inconnue : ") + a +
                       QStringLiteral("\nUsage : ondrix [--dir DOSSIER] [--headless]");
            return cl;
        }
    }
    return cl;
}

namespace {
bool writableDir(const QString& path) {
    const QFileInfo fi(path);
    return fi.isDir() && fi.isWritable();
}
} // namespace

QString resolveAppDir(const QString& requested, const QString& exeDir, const QString& dataHome,
                      QString* error) {
    QString dir;
    if (!requested.isEmpty())
        dir = requested;
    else if (writableDir(exeDir))
        dir = exeDir;
    else
        dir = dataHome + QStringLiteral("/ondrix");
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!QDir().mkpath(dir) || !writableDir(dir)) {
        if (error)
            *error = QStringLiteral("Le dossier de l'application n'est pas accessible en "
                                    "écriture : ") +
                     dir;
        return QString();
    }
    return dir;
}

} // namespace ondrix
