#pragma once

#include "beacon/beacon.h"
#include "core/mainform.h"
#include "core/params.h"

#include <QObject>

namespace ondrix {

// Owns every fact of the main window and the settings arrays. The widgets
// forward the operator's events here and redraw from form() on changed().
class MainPresenter : public QObject {
    Q_OBJECT
public:
    using Services = Beacon::Services;

    explicit MainPresenter(Services services, QObject* parent = nullptr);
    ~MainPresenter() override;

    const MainForm& form() const { return form_; }
    MainForm& form() { return form_; }
    const Params& params() const { return params_; }
    Params& params() { return params_; }
    Beacon& beacon() { return beacon_; }

    void setAppDir(const QString& dir);

    // Operator events.
    void BTPlay_Click();
    void TabS11_Click();
    void TabS12_Click();
    void PageTab_Click(int page); // TabS21..TabS25 as 0..4
    void CMDOuvrir_Click();
    void ComboFichierRecent_Change(int index);
    void SliderLireTemps_Change(int value);
    void SliderLireTemps_MouseMove();
    void SliderVolWMP_Change(int value);
    void CHKMute_Click(bool checked);
    void TxtInterval_Change(const QString& text);
    void TxtInterval_KeyDown(int keyCode);
    void TxtTpsMax_Change(const QString& text);
    void chkRec_Click(bool checked);
    void ComboPriorite_Change(int index);
    void OptPORTCOM_Click();
    void OptVOX_Click();
    void ComboModeCOMPTT_Change(int index);

    // Timer drivers.
    void Timer1_Timer();
    void Timer2_Timer();

signals:
    void changed();

private:
    template <typename F> void act(F&& f) {
        f();
        emit changed();
    }

    MainForm form_;
    Params params_;
    Services services_;
    Beacon beacon_;
};

} // namespace ondrix
