#pragma once

#include "app/mainpresenter.h"
#include "support/fakes.h"

namespace ondrix::test {

// Every service the main window's presenter uses, faked: a test fixture
// derives from it and builds its presenter on services().
struct FakeServices {
    struct Restarts : ProgramControl {
        int n = 0;
        void restart() override { ++n; }
    };

    FakeClock clock;
    FakePlayer player{&clock};
    FakeDialogs dialogs;
    FakeSpeaker speaker;
    FakeRecorder recorder;
    FakePriority priority;
    FakeSerial serial;
    RecordingSleeper sleeper;
    Restarts program;

    // `waits` replaces the recording sleeper when given.
    MainPresenter::Services services(Sleeper* waits = nullptr) {
        return MainPresenter::Services{
            player, dialogs, speaker, recorder, priority, &serial, waits ? waits : &sleeper,
            &clock, &program};
    }
};

} // namespace ondrix::test
