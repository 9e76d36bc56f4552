#pragma once

#include <QString>

#include <functional>

namespace ondrix {

// What play() gave. Nodiscard: a sending that did not start must be seen.
enum class [[nodiscard]] PlayResult{
    Started,
    // No file, or a file that cannot be read as audio.
    NothingToPlay,
};

// The message-file player. Opening a file decodes enough of it to know its
// exact duration; play always starts from the beginning.
class FilePlayer {
public:
    virtual ~FilePlayer() = default;

    // Opens the file (an empty name closes the current one). A file that cannot
    // be read leaves the player with no file: duration 0 and play failing.
    virtual void open(const QString& path) = 0;
    virtual PlayResult play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    // Seconds since the start of the file, as heard.
    virtual double position() const = 0;
    // Seconds; 0 when no file is open.
    virtual double duration() const = 0;
    // Hundredths of a decibel, -2500 (silent) to 0 (full).
    virtual void setVolume(int volume) = 0;
    virtual int volume() const = 0;
    virtual void setMute(bool mute) = 0;
    virtual bool mute() const = 0;

    // Called once after each open, when the newly opened file's duration is
    // known (possibly later, from the event loop).
    std::function<void()> onDurationKnown;
    // Called when the last sample of a play has been heard (not on stop()).
    std::function<void()> onFinished;
};

} // namespace ondrix
