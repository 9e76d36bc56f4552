#include "app/mainpresenter.h"

namespace ondrix {

MainPresenter::MainPresenter(Services services, QObject* parent)
    : QObject(parent), services_(services),
      beacon_(form_, params_,
              Beacon::Services{services.player, services.dialogs, services.speaker,
                               services.recorder, services.priority}),
      radio_(form_, params_, beacon_,
             RadioLink::Services{services.serial ? *services.serial : noSerial_, services.dialogs,
                                 services.sleeper ? *services.sleeper : noWait_,
                                 services.recorder}) {
    beacon_.setTransmitter(&radio_);
    services_.player.onDurationKnown = [this] { act([this] { beacon_.playerDurationKnown(); }); };
    services_.player.onFinished = [this] { act([this] { beacon_.playerFinished(); }); };
}

MainPresenter::~MainPresenter() {
    // The player may outlive this presenter; it must not call back into it.
    services_.player.onDurationKnown = nullptr;
    services_.player.onFinished = nullptr;
}

void MainPresenter::setAppDir(const QString& dir) {
    act([&] { form_.appDirText = dir; });
}

void MainPresenter::BTPlay_Click() {
    act([this] { beacon_.BTPlay_Click(); });
}
void MainPresenter::TabS11_Click() {
    act([this] { beacon_.TabS11_Click(); });
}
void MainPresenter::TabS12_Click() {
    act([this] { beacon_.TabS12_Click(); });
}

void MainPresenter::PageTab_Click(int page) {
    act([&] {
        if (page >= 0 && page < MainForm::kPages &&
            form_.pageTabColour[static_cast<size_t>(page)] == kTabUnselected)
            selectPageTab(form_, page);
    });
}

void MainPresenter::CMDOuvrir_Click() {
    act([this] { beacon_.CMDOuvrir_Click(); });
}
void MainPresenter::ComboFichierRecent_Change(int index) {
    act([&] { beacon_.ComboFichierRecent_Change(index); });
}
void MainPresenter::SliderLireTemps_Change(int value) {
    act([&] { beacon_.SliderLireTemps_Change(value); });
}
void MainPresenter::SliderLireTemps_MouseMove() {
    act([this] { beacon_.SliderLireTemps_MouseMove(); });
}
void MainPresenter::SliderVolWMP_Change(int value) {
    act([&] { beacon_.SliderVolWMP_Change(value); });
}
void MainPresenter::CHKMute_Click(bool checked) {
    act([&] { beacon_.CHKMute_Click(checked); });
}
void MainPresenter::TxtInterval_Change(const QString& text) {
    act([&] { beacon_.TxtInterval_Change(text); });
}
void MainPresenter::TxtInterval_KeyDown(int keyCode) {
    act([&] { beacon_.TxtInterval_KeyDown(keyCode); });
}
void MainPresenter::TxtTpsMax_Change(const QString& text) {
    act([&] { beacon_.TxtTpsMax_Change(text); });
}
void MainPresenter::chkRec_Click(bool checked) {
    act([&] { beacon_.chkRec_Click(checked); });
}
void MainPresenter::ComboPriorite_Change(int index) {
    act([&] { beacon_.ComboPriorite_Change(index); });
}
void MainPresenter::OptPORTCOM_Click() {
    act([this] { radio_.OptPORTCOM_Click(); });
}
void MainPresenter::OptVOX_Click() {
    act([this] { radio_.OptVOX_Click(); });
}
void MainPresenter::ComboModeCOMPTT_Change(int index) {
    act([&] { radio_.ComboModeCOMPTT_Change(index); });
}
void MainPresenter::PortComList_Change(const QString& text) {
    act([&] { radio_.PortComList_Change(text); });
}
void MainPresenter::PTTLock_Click() {
    act([this] { radio_.PTTLock_Click(); });
}
void MainPresenter::CMDTest_MouseDown() {
    act([this] { radio_.CMDTest_MouseDown(); });
}
void MainPresenter::CMDTest_MouseUp() {
    act([this] { radio_.CMDTest_MouseUp(); });
}
void MainPresenter::IMGActualiser_Click() {
    act([this] { radio_.IMGActualiser_Click(); });
}
void MainPresenter::ImgChercheCom_Click() {
    act([this] { radio_.ImgChercheCom_Click(); });
}
void MainPresenter::ChkCOR_Click(bool checked) {
    act([&] { radio_.ChkCOR_Click(checked); });
}
void MainPresenter::ComboModeCOMCOR_Change(int index) {
    act([&] { radio_.ComboModeCOMCOR_Change(index); });
}
void MainPresenter::TimerCOR_Timer() {
    act([this] { radio_.TimerCOR_Timer(); });
}
void MainPresenter::TimerCOMValide_Timer() {
    act([this] { radio_.TimerCOMValide_Timer(); });
}
void MainPresenter::Timer1_Timer() {
    act([this] { beacon_.Timer1_Timer(); });
}
void MainPresenter::Timer2_Timer() {
    act([this] { beacon_.Timer2_Timer(); });
}

} // namespace ondrix
