// How long the port search blocks the window, with its real waits: the
// search as the program runs it (RadioLink over QtSerialLink, ThreadSleeper),
// on port maps where no port opens. Prints one line per case.

#include "app/mainpresenter.h"
#include "platform/qtseriallink.h"
#include "platform/systemservices.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace ondrix;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    struct Case {
        const char* what;
        QByteArray map;
    };
    QByteArray missing;
    for (int i = 1; i <= 32; ++i)
        missing += (i > 1 ? "," : "") + QByteArray("/dev/ondrix-absent-") + QByteArray::number(i);
    const Case cases[] = {
        {"32 ports listed, none opens (each waited for)", missing},
        {"no serial device at all (32 numbers tried)", QByteArray()},
    };
    for (const Case& c : cases) {
        qputenv("ONDRIX_SERIAL_PORTS", c.map);
        test::FakePlayer player;
        test::FakeDialogs dialogs;
        test::FakeSpeaker speaker;
        test::FakeRecorder recorder;
        test::FakePriority priority;
        QtSerialLink serial;
        ThreadSleeper sleeper;
        MainPresenter p{MainPresenter::Services{player, dialogs, speaker, recorder, priority,
                                                &serial, &sleeper}};
        QElapsedTimer t;
        t.start();
        p.execute(cmd::IMGActualiser_Click{});
        std::printf("port search, %s: blocked %lld ms; found %lld\n", c.what,
                    static_cast<long long>(t.elapsed()),
                    static_cast<long long>(p.state().radio.portList.items.size()));
    }
    return 0;
}
