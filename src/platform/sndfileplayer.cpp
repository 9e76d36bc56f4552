#include "platform/sndfileplayer.h"

namespace ondrix {

struct SndfilePlayer::Impl {
    int volume = 0;
    bool mute = false;
};

SndfilePlayer::SndfilePlayer(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}
SndfilePlayer::~SndfilePlayer() = default;
void SndfilePlayer::open(const QString&) {}
unsigned SndfilePlayer::play() { return kGenericFailure; }
void SndfilePlayer::stop() {}
bool SndfilePlayer::isPlaying() const { return false; }
double SndfilePlayer::position() const { return 0.0; }
double SndfilePlayer::duration() const { return 0.0; }
void SndfilePlayer::setVolume(int volume) { d->volume = volume; }
int SndfilePlayer::volume() const { return d->volume; }
void SndfilePlayer::setMute(bool mute) { d->mute = mute; }
bool SndfilePlayer::mute() const { return d->mute; }

} // namespace ondrix
