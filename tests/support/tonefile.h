#pragma once

// Test sound files: a sine tone written through libsndfile, as WAV or MP3.

#include <QString>

namespace ondrix::test {

enum class ToneFormat { Wav, Mp3 };

struct Tone {
    double seconds = 1.0;
    int rate = 48000;
    int channels = 1;
    double frequency = 1000.0;
    double amplitude = 0.5; // fraction of full scale
};

// Writes the tone to `path` (16-bit PCM for WAV). False, with `error` set when
// given, if the file cannot be written.
bool writeToneFile(const QString& path, ToneFormat format, const Tone& tone,
                   QString* error = nullptr);

} // namespace ondrix::test
