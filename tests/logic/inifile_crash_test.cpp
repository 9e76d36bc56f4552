// A program killed while it saves its settings never leaves a damaged or
// mixed file: the writer (this same binary, started with --writer) saves all
// 71 keys in a loop, each round with new values, and is killed with SIGKILL
// at random moments; after each kill the file must hold one whole round.

#include "app/inifile.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ondrix;

namespace {

constexpr int kParams = 66;
constexpr int kOm = 5;

struct Key {
    QString section;
    QString name;
};

std::vector<Key> allKeys() {
    std::vector<Key> keys;
    for (int i = 0; i < kParams; ++i)
        keys.push_back({"Params", QString("Param%1").arg(i)});
    for (int i = 0; i < kOm; ++i)
        keys.push_back({"Informations OM", QString("ParamOM%1").arg(i)});
    return keys;
}

// The round number first, then a length that changes from round to round, so
// a file cut short or stitched from two rounds shows.
QString valueFor(int round, int key) {
    return QString("%1:%2:").arg(round).arg(key) + QString((round * 7 + key) % 40, 'x');
}

// The writer: tells the parent it is ready through `readyFd`, then saves
// until killed.
int runWriter(const QString& path, int readyFd) {
    IniFile ini(path);
    if (ini.load() != IniFile::LoadStatus::Ok)
        return 3;
    const std::vector<Key> keys = allKeys();
    const int first = ini.LireCle("Params", "Param0").section(':', 0, 0).toInt() + 1;
    const char ready = 'r';
    if (::write(readyFd, &ready, 1) != 1)
        return 4;
    ::close(readyFd);
    for (int round = first;; ++round) {
        for (size_t k = 0; k < keys.size(); ++k)
            ini.setValue(keys[k].section, keys[k].name, valueFor(round, static_cast<int>(k)));
        if (!ini.save())
            return 2;
    }
}

// The round the file holds, or -1 (with the reason) when it is not one whole
// round.
int roundInFile(const QString& path, std::string* why) {
    IniFile ini(path);
    if (ini.load() != IniFile::LoadStatus::Ok) {
        *why = "file does not load";
        return -1;
    }
    const std::vector<Key> keys = allKeys();
    const int round = ini.LireCle("Params", "Param0").section(':', 0, 0).toInt();
    for (size_t k = 0; k < keys.size(); ++k) {
        const QString value = ini.LireCle(keys[k].section, keys[k].name);
        if (value != valueFor(round, static_cast<int>(k))) {
            *why = (keys[k].name + " = \"" + value + "\" in round " + QString::number(round))
                       .toStdString();
            return -1;
        }
    }
    return round;
}

} // namespace

TEST(IniFileCrash, KilledWriterLeavesOneWholeRound) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath("parametres.ini");
    {
        IniFile ini(path);
        const std::vector<Key> keys = allKeys();
        for (size_t k = 0; k < keys.size(); ++k)
            ini.setValue(keys[k].section, keys[k].name, valueFor(0, static_cast<int>(k)));
        ASSERT_TRUE(ini.save());
    }

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    int lastRound = 0;
    int advanced = 0;
    for (int kill = 0; kill < 30; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            const QByteArray file = path.toLocal8Bit();
            ::execl("/proc/self/exe", "inifile_crash_test", "--writer", file.constData(),
                    fd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        const int delay = delayUs(rng);
        if (started)
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << "writer did not start, exit status " << status;
        ASSERT_TRUE(WIFSIGNALED(status))
            << "writer stopped by itself, exit " << WEXITSTATUS(status);

        std::string why;
        const int round = roundInFile(path, &why);
        ASSERT_GE(round, 0) << "kill " << kill << " after " << delay << " us: " << why;
        EXPECT_GE(round, lastRound) << "kill " << kill;
        if (round > lastRound)
            ++advanced;
        lastRound = round;
    }
    // The kills did land while saves were going on.
    EXPECT_GE(advanced, 10);
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
