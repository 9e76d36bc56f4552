#include "app/appdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ondrix;

TEST(CommandLine, Options) {
    EXPECT_EQ(parseCommandLine({"ondrix"}).dir, QString());
    EXPECT_EQ(parseCommandLine({"ondrix", "--dir", "/tmp/a b"}).dir, "/tmp/a b");
    EXPECT_EQ(parseCommandLine({"ondrix", "--dir=/x"}).dir, "/x");
    EXPECT_TRUE(parseCommandLine({"ondrix", "--headless"}).headless);
    EXPECT_FALSE(parseCommandLine({"ondrix", "--dir"}).error.isEmpty());
    EXPECT_FALSE(parseCommandLine({"ondrix", "--bogus"}).error.isEmpty());
}

TEST(AppDir, ChoiceOrder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString exe = tmp.filePath("bin");
    const QString data = tmp.filePath("data");
    QDir().mkpath(exe);
    QString err;

    // --dir wins, and is created with accents and spaces intact.
    const QString wanted = tmp.filePath("Station é/ondrix");
    EXPECT_EQ(resolveAppDir(wanted, exe, data, &err), QDir::cleanPath(wanted));
    EXPECT_TRUE(QDir(wanted).exists());

    // Else the executable's folder when writable.
    EXPECT_EQ(resolveAppDir({}, exe, data, &err), QDir::cleanPath(exe));

    // Else the per-user data folder.
    EXPECT_EQ(resolveAppDir({}, tmp.filePath("missing-exe-dir"), data, &err),
              QDir::cleanPath(data + "/ondrix"));

    // A folder that cannot be created is an error with a French message.
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_TRUE(resolveAppDir(tmp.filePath("file/sub"), exe, data, &err).isEmpty());
    EXPECT_TRUE(err.contains("dossier"));
}
