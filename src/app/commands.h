#pragma once

#include <QChar>
#include <QString>

#include <variant>

namespace ondrix {

// What an operator can ask of the station, whoever passes it on: a button,
// a keyboard shortcut, the window-less front end. Each carries the name of
// the control's procedure and what the control knows at that moment.
// Positions in the message count characters.
namespace cmd {

// ---- cycle and message
struct BTPlay_Click {};
struct TabS11_Click {};
struct TabS12_Click {};
struct CMDOuvrir_Click {};
struct ComboFichierRecent_Change {
    int index;
};
struct SliderLireTemps_Change {
    int value;
};
struct SliderLireTemps_MouseMove {};
struct SliderVolWMP_Change {
    int value;
};
struct CHKMute_Click {
    bool checked;
};
struct TxtInterval_Change {
    QString text;
};
struct TxtInterval_KeyDown {
    int keyCode;
};
struct TxtTpsMax_Change {
    QString text;
};
struct chkRec_Click {
    bool checked;
};
struct ComboPriorite_Change {
    int index;
};

// ---- shell and settings
struct PageTab_Click {
    int page; // TabS21..TabS25 as 0..4
};
struct ChkInstance_Click {
    bool checked;
};
// The save button: the file written, the autosave counted from now.
struct Sauver_Click {};

// ---- radio link
struct OptPORTCOM_Click {};
struct OptVOX_Click {};
struct ComboModeCOMPTT_Change {
    int index;
};
struct PortComList_Change {
    QString text;
};
struct PTTLock_Click {};
struct CMDTest_MouseDown {};
struct CMDTest_MouseUp {};
struct IMGActualiser_Click {};
struct ImgChercheCom_Click {};
struct ChkCOR_Click {
    bool checked;
};
struct ComboModeCOMCOR_Change {
    int index;
};

// ---- speech message; `caret` is the number of characters before the caret
struct TxtSynthese_Change {
    QString text;
};
struct TxtSynthese_Click {
    int caret;
};
struct TxtSynthese_DblClick {
    int selStart;
    int selLength;
};
struct TxtSynthese_GotFocus {};
struct TxtSynthese_LostFocus {};
struct TxtSynthese_SelectAll {};
struct TxtSynthese_Enter {
    int selStart;
    int selLength;
};
struct TxtSynthese_CaretMoved {
    int caret;
};
struct ComboOndrixTexte_Change {
    int index;
};
struct CmdAjoutOndrix_Click {
    int selStart;
    int selLength;
};
struct ChkLireMeteo_Click {
    bool checked;
};
struct SliderVoixSpeed_Change {
    int value;
};
struct SliderVolVoix_Change {
    int value;
};

// ---- voices
struct ListVoix_Click {
    int index;
};
struct ListVoix_DblClick {};
struct LblNomVoix_Click {};
// The "MAJ" button: the voices listed again.
struct ChargerVoix {};
struct CmdResoudreProb_Click {};
struct CmdProbOK_Click {};

// ---- operator details, fields 0..4
struct OperatorField_KeyPress {
    int field;
    QChar ch;
};
struct OperatorField_Change {
    int field;
    QString text;
};
struct OperatorField_Click {
    int field;
};
struct TextField_GotFocus {};
struct TextField_LostFocus {};

// ---- daily time windows: windows 0..2, time fields by their index in
// TimeWindowsState::fields
struct ChkDecl_Click {
    int window;
    bool checked;
};
struct TabS3_Click {
    int window;
};
struct TimeField_Change {
    int field;
    QString text;
};
struct TimeField_GotFocus {
    int field;
};
struct TimeField_LostFocus {
    int field;
};

} // namespace cmd

using Command = std::variant<
    cmd::BTPlay_Click, cmd::TabS11_Click, cmd::TabS12_Click, cmd::CMDOuvrir_Click,
    cmd::ComboFichierRecent_Change, cmd::SliderLireTemps_Change, cmd::SliderLireTemps_MouseMove,
    cmd::SliderVolWMP_Change, cmd::CHKMute_Click, cmd::TxtInterval_Change, cmd::TxtInterval_KeyDown,
    cmd::TxtTpsMax_Change, cmd::chkRec_Click, cmd::ComboPriorite_Change, cmd::PageTab_Click,
    cmd::ChkInstance_Click, cmd::Sauver_Click, cmd::OptPORTCOM_Click, cmd::OptVOX_Click,
    cmd::ComboModeCOMPTT_Change, cmd::PortComList_Change, cmd::PTTLock_Click,
    cmd::CMDTest_MouseDown, cmd::CMDTest_MouseUp, cmd::IMGActualiser_Click,
    cmd::ImgChercheCom_Click, cmd::ChkCOR_Click, cmd::ComboModeCOMCOR_Change,
    cmd::TxtSynthese_Change, cmd::TxtSynthese_Click, cmd::TxtSynthese_DblClick,
    cmd::TxtSynthese_GotFocus, cmd::TxtSynthese_LostFocus, cmd::TxtSynthese_SelectAll,
    cmd::TxtSynthese_Enter, cmd::TxtSynthese_CaretMoved, cmd::ComboOndrixTexte_Change,
    cmd::CmdAjoutOndrix_Click, cmd::ChkLireMeteo_Click, cmd::SliderVoixSpeed_Change,
    cmd::SliderVolVoix_Change, cmd::ListVoix_Click, cmd::ListVoix_DblClick, cmd::LblNomVoix_Click,
    cmd::ChargerVoix, cmd::CmdResoudreProb_Click, cmd::CmdProbOK_Click, cmd::OperatorField_KeyPress,
    cmd::OperatorField_Change, cmd::OperatorField_Click, cmd::TextField_GotFocus,
    cmd::TextField_LostFocus, cmd::ChkDecl_Click, cmd::TabS3_Click, cmd::TimeField_Change,
    cmd::TimeField_GotFocus, cmd::TimeField_LostFocus>;

// Commands that change how the transmitter is keyed, or close its port: they
// are refused while a cycle runs, whoever asks.
inline bool changesKeying(const Command& command) {
    return std::holds_alternative<cmd::OptPORTCOM_Click>(command) ||
           std::holds_alternative<cmd::OptVOX_Click>(command) ||
           std::holds_alternative<cmd::ComboModeCOMPTT_Change>(command) ||
           std::holds_alternative<cmd::PortComList_Change>(command) ||
           std::holds_alternative<cmd::IMGActualiser_Click>(command);
}

// The timers that drive the station, each ticked by the timer driver (or a
// test) when its state says it is due.
enum class Tick {
    FileCountdown,
    SpeechCountdown,
    SpeechDuration,
    Carrier,
    PortSearchRetry,
    Clock,
    Autosave,
};

} // namespace ondrix
