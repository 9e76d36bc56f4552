#include "gui/panels/audiopage.h"

#include "gui/panels/panelhelpers.h"

#include <QBoxLayout>
#include <QGroupBox>

namespace ondrix {

AudioPage::AudioPage(MainPresenter& presenter, QWidget* parent) : Panel(presenter, {}, parent) {
    setObjectName(QStringLiteral("AudioPage"));
    auto* l = column(0);
    l->addWidget(named<QGroupBox>("FrmAudio"));
    setLayout(l);
}

} // namespace ondrix
