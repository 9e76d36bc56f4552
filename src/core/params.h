#pragma once

#include <QString>

#include <array>

namespace ondrix {

// The settings as the program holds them: every value is text, mirrored one to
// one with keys "Param<i>" and "ParamOM<i>" of the settings file.
struct Params {
    static constexpr int kCount = 66;
    static constexpr int kOmCount = 5;

    std::array<QString, kCount> param;
    std::array<QString, kOmCount> paramOM;

    // Out-of-range indices read as empty and are ignored on write, as a missing
    // key would be.
    QString get(int i) const;
    void set(int i, const QString& value);
    QString getOM(int i) const;
    void setOM(int i, const QString& value);
};

} // namespace ondrix
