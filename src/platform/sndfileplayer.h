#pragma once

#include "beacon/fileplayer.h"

#include <QObject>

#include <memory>

namespace ondrix {

// Message-file player: libsndfile decodes WAV and MP3, a QAudioSink on the
// default output plays it (push mode).
class SndfilePlayer : public QObject, public FilePlayer {
    Q_OBJECT
public:
    explicit SndfilePlayer(QObject* parent = nullptr);
    ~SndfilePlayer() override;

    void open(const QString& path) override;
    PlayResult play() override;
    void stop() override;
    bool isPlaying() const override;
    double position() const override;
    double duration() const override;
    void setVolume(int volume) override;
    int volume() const override;
    void setMute(bool mute) override;
    bool mute() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ondrix
