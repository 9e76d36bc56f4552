#pragma once

#include <QString>

namespace ondrix {

// Speech output as the beacon uses it. The engine and its voices come with
// the speech feature; until then a silent stand-in is wired.
class Speaker {
public:
    virtual ~Speaker() = default;
    virtual void speak(const QString& text) = 0;
    virtual void stop() = 0;
};

// The recorder window, as the beacon opens it and toggles its listening.
class RecorderWindow {
public:
    virtual ~RecorderWindow() = default;
    virtual void show() = 0;
    virtual void ECOUTE() = 0;
    // Ticks or unticks "Enregistrer ici" (a recording runs while it is ticked).
    virtual void setChkEnr(bool on) = 0;
};

// The running program itself.
class ProgramControl {
public:
    virtual ~ProgramControl() = default;
    // Starts a new copy of the program and ends this one at once, without its
    // shut-down sequence.
    virtual void restart() = 0;
};

// Keying of the transmitter around a sending, as the beacon asks for it. The
// radio link decides whether and how (serial line or the radio's own VOX).
class Transmitter {
public:
    virtual ~Transmitter() = default;
    // Before the first sample of a sending goes out. False when the sending
    // must not go out (the link is being recovered after a lost adapter).
    virtual bool keyForSending() = 0;
    // After its last sample has been heard, or when the sending is stopped.
    virtual void releaseAfterSending() = 0;
    // Speech: keyed when the engine starts sounding, released when it ends.
    // False when the caller must skip the rest of its steps (the port was
    // held, or the adapter was lost and the recovery ran).
    virtual bool keyForSpeech() = 0;
    virtual bool releaseAfterSpeech() = 0;
};

// Process priority by the list index 0..3 ("Priorité Haute" ... "Priorité Inf.
// à la normale!"). Returns false when the system refused; callers go on.
class ProcessPriority {
public:
    virtual ~ProcessPriority() = default;
    virtual bool set(int index) = 0;
};

} // namespace ondrix
