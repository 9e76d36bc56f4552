#pragma once

#include <QString>
#include <QStringList>

namespace ondrix {

struct CommandLine {
    QString dir;           // --dir DIR, empty when not given
    bool headless = false; // --headless
    QString error;         // a French message when the arguments are wrong
};

CommandLine parseCommandLine(const QStringList& args);

// The folder holding the settings, recordings and tone files: --dir when
// given, else the executable's folder when writable, else the per-user data
// folder. Created when missing; empty with `error` set when it cannot be.
QString resolveAppDir(const QString& requested, const QString& exeDir, const QString& dataHome,
                      QString* error);

} // namespace ondrix
