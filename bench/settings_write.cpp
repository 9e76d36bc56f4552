// One write of the settings file as the save buttons and the autosave make it
// (the window copied into the settings, every key set, the file written
// beside the old one, synced and renamed), in a temporary folder on the
// build's disk. The autosave runs on the countdown's thread, so this is what
// a tick can be held up by once every 601 s.

#include "support/fakeservices.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace ondrix;
using namespace ondrix::test;

namespace {

void SettingsWrite(benchmark::State& state) {
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + "/settings-bench-XXXXXX");
    FakeServices fakes;
    MainPresenter p{fakes.services()};
    p.setAppDir(dir.path());
    p.start();
    // Every key holds a value, the message text a long one.
    for (int i = 0; i < Params::kCount; ++i)
        if (p.params().get(i).isEmpty())
            p.params().set(i, QString::number(i * 1000));
    p.execute(cmd::TxtSynthese_Change{QString(250, 'x')});
    for (auto _ : state)
        p.execute(cmd::Sauver_Click{});
}
BENCHMARK(SettingsWrite)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
