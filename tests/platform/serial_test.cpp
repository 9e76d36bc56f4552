// The serial link over QSerialPort, on pseudo-terminals whose modem lines are
// simulated by the LD_PRELOAD shim (tests/support/modemshim.c). The port map
// always comes from ONDRIX_SERIAL_PORTS: no test touches a real serial device.

#include "platform/qtseriallink.h"

#include "ptyrig.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <ctime>

#include <sys/ioctl.h>
#include <termios.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

constexpr int kInputs = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;

void usePorts(const QStringList& paths) {
    qputenv("ONDRIX_SERIAL_PORTS", paths.join(u',').toLocal8Bit());
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU time this process spends while its event loop runs for `ms`.
double cpuWhileEventLoopRuns(int ms) {
    const double before = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return cpuSeconds() - before;
}

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(shimDir.isValid());
        qputenv("ONDRIX_MODEMSHIM_DIR", QFile::encodeName(shimDir.path()));
        ASSERT_TRUE(pty.isValid());
        usePorts({pty.path()});
        ASSERT_TRUE(link.setPortNumber(1));
    }

    ModemLines lines() const { return ModemLines(shimDir.path(), pty.number()); }
    int outputs() const { return lines().bits() & (TIOCM_RTS | TIOCM_DTR); }

    QTemporaryDir shimDir;
    Pty pty;
    QtSerialLink link; // last: closed before the pty goes
};

TEST(SerialPortMapTest, IsReadFromTheEnvironment) {
    struct Case {
        const char* env;
        QStringList map;
    } cases[] = {
        {" /dev/pts/7 , ,/dev/ttyUSB0,, ", {"/dev/pts/7", "/dev/ttyUSB0"}},
        {"/dev/ttyS1,/dev/ttyS0", {"/dev/ttyS1", "/dev/ttyS0"}}, // kept in the given order
        {"ttyACM0", {"/dev/ttyACM0"}},                           // a bare name is in /dev
        {"", {}},                                                // set but empty: no ports
        {" , ,", {}},
    };
    QtSerialLink link;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env);
        qputenv("ONDRIX_SERIAL_PORTS", c.env);
        EXPECT_EQ(QtSerialLink::portMap(), c.map);
        for (int n = 1; n <= c.map.size(); ++n)
            EXPECT_EQ(link.devicePath(n), c.map.at(n - 1));
        EXPECT_EQ(link.devicePath(0), QString());
        EXPECT_EQ(link.devicePath(-1), QString());
        EXPECT_EQ(link.devicePath(static_cast<int>(c.map.size()) + 1), QString());
    }
}

TEST_F(SerialTest, MapIsReadAgainAtEachOpen) {
    usePorts({});
    EXPECT_EQ(link.open(), SerialResult::CannotOpen);
    usePorts({pty.path()}); // the adapter was plugged in
    EXPECT_EQ(link.open(), SerialResult::Ok);
    EXPECT_TRUE(link.isOpen());
}

TEST_F(SerialTest, RefusesWhatItCannotOpen) {
    const QString regularFile = shimDir.filePath(QStringLiteral("not-a-tty"));
    QFile(regularFile).open(QIODevice::WriteOnly);
    Pty unplugged;
    const QString unpluggedPath = unplugged.path();
    unplugged.unplug();
    usePorts({pty.path(), shimDir.filePath(QStringLiteral("ttyNEVER")), regularFile, unpluggedPath,
              shimDir.path()});

    struct Case {
        const char* what;
        int number;
    } cases[] = {
        {"number 0", 0},
        {"negative number", -1},
        {"number past the map", 6},
        {"device that never existed", 2},
        {"not a terminal", 3},
        {"adapter gone", 4},
        {"a directory", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(link.setPortNumber(c.number));
        EXPECT_EQ(link.open(), SerialResult::CannotOpen);
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(link.setRTS(true), SerialResult::StateCannotBeSet);
    }
}

TEST_F(SerialTest, PortWhoseLinesCannotBeSetIsRefused) {
    // Without the shim a pty is what a serial device without modem control
    // would be: useless for keying, and not to be reported open.
    const QByteArray dir = qgetenv("ONDRIX_MODEMSHIM_DIR");
    qunsetenv("ONDRIX_MODEMSHIM_DIR");
    EXPECT_EQ(link.open(), SerialResult::CannotOpen);
    EXPECT_FALSE(link.isOpen());
    qputenv("ONDRIX_MODEMSHIM_DIR", dir);
    EXPECT_EQ(link.open(), SerialResult::Ok);
}

TEST_F(SerialTest, PortNumberIsFixedWhileOpen) {
    usePorts({pty.path(), pty.path()});
    ASSERT_EQ(link.open(), SerialResult::Ok);
    EXPECT_EQ(link.open(), SerialResult::AlreadyOpen);
    EXPECT_FALSE(link.setPortNumber(2));
    EXPECT_EQ(link.portNumber(), 1);
    link.close();
    EXPECT_TRUE(link.setPortNumber(2));
    EXPECT_EQ(link.portNumber(), 2);
}

TEST_F(SerialTest, KeyingIsSeenOnTheLinesAndCloseDropsThem) {
    // The kernel raises both lines when a real port opens, and the far side
    // presents a carrier.
    lines().setBits(TIOCM_RTS | TIOCM_DTR | TIOCM_CAR);
    ASSERT_EQ(link.open(), SerialResult::Ok);
    EXPECT_EQ(outputs(), 0) << "a freshly opened port must not key the transmitter";

    EXPECT_EQ(link.setRTS(true), SerialResult::Ok);
    EXPECT_EQ(outputs(), TIOCM_RTS);
    EXPECT_EQ(link.setDTR(true), SerialResult::Ok);
    EXPECT_EQ(outputs(), TIOCM_RTS | TIOCM_DTR);
    EXPECT_EQ(link.setRTS(false), SerialResult::Ok);
    EXPECT_EQ(outputs(), TIOCM_DTR);
    EXPECT_EQ(link.setRTS(true), SerialResult::Ok);

    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(outputs(), 0);
    EXPECT_EQ(lines().bits() & kInputs, TIOCM_CAR) << "inputs belong to the far side";
    EXPECT_EQ(link.setRTS(true), SerialResult::StateCannotBeSet);
}

TEST_F(SerialTest, DestroyingTheLinkReleasesTheTransmitter) {
    {
        QtSerialLink other;
        other.setPortNumber(1);
        ASSERT_EQ(other.open(), SerialResult::Ok);
        ASSERT_EQ(other.setRTS(true), SerialResult::Ok);
        ASSERT_EQ(other.setDTR(true), SerialResult::Ok);
    }
    EXPECT_EQ(outputs(), 0);
}

TEST_F(SerialTest, ModemInputsAreRead) {
    struct Case {
        const char* name;
        int bit;
        int (SerialLink::*read)();
    } cases[] = {
        {"CTS", TIOCM_CTS, &SerialLink::CTS},
        {"DSR", TIOCM_DSR, &SerialLink::DSR},
        {"DCD", TIOCM_CAR, &SerialLink::DCD},
        {"RI", TIOCM_RNG, &SerialLink::RI},
    };
    SerialLink& serial = link;
    ASSERT_EQ(link.open(), SerialResult::Ok);
    ASSERT_EQ(link.setRTS(true), SerialResult::Ok); // outputs never show as inputs
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines().setInputs(kInputs, false);
        lines().setInputs(c.bit, true);
        for (const Case& other : cases)
            EXPECT_EQ((serial.*other.read)() != 0, other.bit == c.bit) << other.name;
        lines().setInputs(c.bit, false);
        EXPECT_EQ((serial.*c.read)(), 0);
    }

    lines().setInputs(kInputs, true);
    link.close();
    for (const Case& c : cases)
        EXPECT_EQ((serial.*c.read)(), 0) << c.name << " with the port closed";
}

TEST_F(SerialTest, AdapterRemovedWhileKeyed) {
    struct Case {
        const char* what;
        SerialResult (SerialLink::*set)(bool);
    } cases[] = {{"RTS", &SerialLink::setRTS}, {"DTR", &SerialLink::setDTR}};
    SerialLink& serial = link;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lines().setInputs(TIOCM_CTS, true);
        ASSERT_EQ(link.open(), SerialResult::Ok);
        ASSERT_EQ((serial.*c.set)(true), SerialResult::Ok);

        lines().setRemoved(true);
        // Reading the inputs reports nothing but changes nothing.
        EXPECT_EQ(link.CTS(), 0);
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ((serial.*c.set)(false), SerialResult::StateCannotBeSet);
        EXPECT_FALSE(link.isOpen()) << "the port is given up once its device is gone";
        EXPECT_EQ((serial.*c.set)(false), SerialResult::StateCannotBeSet);
        EXPECT_EQ(link.open(), SerialResult::CannotOpen) << "still gone";

        lines().setRemoved(false);
        EXPECT_EQ(link.open(), SerialResult::Ok) << "plugged back in";
        EXPECT_EQ(outputs(), 0);
        EXPECT_NE(link.CTS(), 0);
        link.close();
    }
}

TEST_F(SerialTest, AdapterUnpluggedWhileKeyed) {
    ASSERT_EQ(link.open(), SerialResult::Ok);
    ASSERT_EQ(link.setRTS(true), SerialResult::Ok);
    // Closing the master hangs the slave up, as the kernel does to a USB
    // adapter's open descriptors when it is pulled out.
    pty.unplug();
    // A loop spinning on the dead device takes most of a core even on a busy
    // machine; an idle one next to nothing, sanitizers or not.
    EXPECT_LT(cpuWhileEventLoopRuns(1000), 0.1) << "nothing may spin on the dead device";
    EXPECT_EQ(link.RI(), 0);
    EXPECT_EQ(link.setRTS(false), SerialResult::StateCannotBeSet);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SerialTest, PortHeldByAnotherProgram) {
    const char* modes[] = {"qt", "excl", "plain"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        QProcess holder;
        holder.start(QStringLiteral(SERIAL_HOLDPORT), {QString::fromLatin1(mode), pty.path()});
        ASSERT_TRUE(holder.waitForReadyRead(15000)) << holder.readAllStandardError().data();
        ASSERT_EQ(holder.readLine().trimmed(), "ready");

        EXPECT_EQ(link.open(), SerialResult::AlreadyOpen);
        EXPECT_FALSE(link.isOpen());

        holder.closeWriteChannel();
        ASSERT_TRUE(holder.waitForFinished(15000));
        EXPECT_EQ(link.open(), SerialResult::Ok) << "free again once the other program let go";
        link.close();
    }
}

TEST_F(SerialTest, OneHolderWithinThisProgramToo) {
    ASSERT_EQ(link.open(), SerialResult::Ok);
    QtSerialLink other;
    other.setPortNumber(1);
    EXPECT_EQ(other.open(), SerialResult::AlreadyOpen);
    link.close();
    EXPECT_EQ(other.open(), SerialResult::Ok);
}

TEST_F(SerialTest, KernelDropsTheLinesIfTheProgramDies) {
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.masterFd(), &tio), 0);
    tio.c_cflag &= ~HUPCL;
    ASSERT_EQ(tcsetattr(pty.masterFd(), TCSANOW, &tio), 0);

    ASSERT_EQ(link.open(), SerialResult::Ok);
    ASSERT_EQ(tcgetattr(pty.masterFd(), &tio), 0);
    EXPECT_TRUE(tio.c_cflag & HUPCL) << "HUPCL: hang up (drop RTS and DTR) on last close";
}

} // namespace

int main(int argc, char** argv) {
    ensureModemShim(argv);
    // No test may fall back on the machine's own serial devices.
    qputenv("ONDRIX_SERIAL_PORTS", "");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
