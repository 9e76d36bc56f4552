#pragma once

#include <QMap>
#include <QString>

#include <array>

namespace ondrix {

// The settings as the program holds them: every value is text, mirrored one to
// one with keys "Param<i>" and "ParamOM<i>" of the settings file, and with the
// keys of section [Station] the features declare.
struct Params {
    static constexpr int kCount = 66;
    static constexpr int kOmCount = 5;

    // The keys the code refers to by name.
    static constexpr int kRecentFiles = 8; // Param0..7, the most recent first
    static constexpr int kPTTLine = 8;
    static constexpr int kVolume = 9;
    static constexpr int kMute = 10;
    static constexpr int kTpsMax = 11;
    static constexpr int kCouleurAttente = 12;
    static constexpr int kCouleurLecture = 13;
    static constexpr int kInstance = 14;
    static constexpr int kInterval = 15;
    static constexpr int kDecl1 = 16; // ChkDecl1..3: 16..18
    static constexpr int kMode = 25;
    static constexpr int kVoice = 26;
    static constexpr int kTexte = 27;
    static constexpr int kPeriod = 28;
    static constexpr int kSpeed = 30;
    static constexpr int kPriority = 33;
    static constexpr int kKeying = 34;
    static constexpr int kRec = 35;
    static constexpr int kCORLine = 40;
    static constexpr int kCOR = 41;
    static constexpr int kPortsToScan = 42;
    static constexpr int kPort = 44;
    static constexpr int kSpeechFailure = 47;
    static constexpr int kTimes = 48; // the eighteen time fields: 48..65

    std::array<QString, kCount> param;
    std::array<QString, kOmCount> paramOM;
    // By the name a feature declared it with.
    QMap<QString, QString> station;

    // Out-of-range indices read as empty and are ignored on write, as a missing
    // key would be.
    QString get(int i) const;
    void set(int i, const QString& value);
    QString getOM(int i) const;
    void setOM(int i, const QString& value);
};

} // namespace ondrix
