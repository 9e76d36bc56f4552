#pragma once

#include <QString>

#include <array>

namespace ondrix {

// The operator's details as the "Informations OM" page shows them: callsign,
// name, locator, QTH and the QTH spelled. They live in the settings arrays
// (ParamOM0..4), which the tags read at each sending; this is their copy for
// the page, brought up to date after every step.
struct OperatorDetailsState {
    static constexpr int kFields = 5;
    std::array<QString, kFields> fields;

    bool operator==(const OperatorDetailsState&) const = default;
};

} // namespace ondrix
