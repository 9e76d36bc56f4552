#pragma once

#include "core/params.h"

#include <QString>

namespace ondrix {

// The operator's details (first name, callsign, QTH as typed, beacon
// callsign, QTH spelled) and the spelling of the QTH as it is typed.
class OperatorInfo {
public:
    static constexpr int kQth = 2;
    static constexpr int kQthSpelled = 4;

    explicit OperatorInfo(Params& params) : params_(params) {}

    // Labels and initial texts of the five fields.
    static const QString kLabels[Params::kOmCount];
    static const QString kDefaults[Params::kOmCount];
    static void setDefaults(Params& params);

    // What typing `ch` in the QTH field appends to its spelling.
    static QString spelling(QChar ch);

    // A key typed in field `field`, before the character joins the field.
    void keyPress(int field, QChar ch);
    // A click in any field empties the QTH and its spelling.
    void click(int field);

private:
    Params& params_;
};

} // namespace ondrix
