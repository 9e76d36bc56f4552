// The windowed program's ends: the close button, and the other ways the
// desktop asks it to go, all run the shut-down once.

#include "gui/application.h"
#include "support/fakes.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ondrix;
using namespace ondrix::test;

TEST(WindowEnds, ClosingRunsTheShutDownOnceWhateverAsksForIt) {
    qputenv("ONDRIX_SERIAL_PORTS", "");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString ini = tmp.filePath("parametres.ini");
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Params]\nParam28=45\nParam34=VOX ON\n");
    }
    FakeDialogs dialogs;
    Application app(AppOptions{tmp.path(), &dialogs});
    QSignalSpy stopped(&app.station(), &Station::stopped);
    app.window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.window(), 30000));
    ASSERT_FALSE(app.presenter().unloaded());
    QFile::remove(ini);

    QTest::mouseClick(app.window().findChild<QToolButton*>("ImgClose"), Qt::LeftButton);
    EXPECT_TRUE(app.presenter().unloaded());
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_FALSE(app.window().isVisible());
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the settings were not written";
    EXPECT_TRUE(f.readAll().contains("Param28=45"));

    // The window manager's close, then the session ending: nothing more.
    app.window().close();
    ASSERT_TRUE(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(stopped.count(), 1);
}
