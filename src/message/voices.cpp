#include "message/voices.h"

#include "core/vbtext.h"

namespace ondrix {

const QString VoiceCatalogue::kMsgErreurChargement =
    QStringLiteral("Erreur de chargement, la synthèse vocale ne sera pas active.");
const QString VoiceCatalogue::kMsgAucuneVoix = QStringLiteral("Aucune voix de synthèse installée");

namespace {} // namespace

VoiceCatalogue::VoiceCatalogue(MainForm& form, Params& params, Services services)
    : form_(form), params_(params), s_(services) {}

QString VoiceCatalogue::languageName(int id) {
    switch (id) {
    case 1033:
    case 2057:
        return QStringLiteral("Anglais");
    case 1036:
    case 2060:
    case 3084:
    case 4108:
        return QStringLiteral("Français");
    case 1031:
        return QStringLiteral("Allemand");
    case 1034:
    case 3082:
        return QStringLiteral("Espagnol");
    case 1040:
        return QStringLiteral("Italien");
    case 1043:
        return QStringLiteral("Néerlandais");
    case 1046:
    case 2070:
        return QStringLiteral("Portugais");
    default:
        return QStringLiteral("Autre langue");
    }
}

QString VoiceCatalogue::voiceLine(const QString& name, int gender, int language) {
    if (name.isEmpty())
        return QStringLiteral("Voix invalide");
    return name + (name.size() < 9 ? QStringLiteral("\t\t") : QStringLiteral("\t")) +
           (gender == 1 ? QStringLiteral("Femme") : QStringLiteral("Homme")) +
           QStringLiteral("\t") + languageName(language);
}

void VoiceCatalogue::setLblNomVoix(const QString& caption) {
    // The label has room for ten characters.
    form_.lblNomVoix = caption.size() > 10 ? QString() : caption;
}

void VoiceCatalogue::ChargerVoix() {
    form_.listVoix.items.clear();
    form_.listVoix.index = -1;
    form_.listVoix.text.clear();
    form_.listIDVoix.clear();

    if (!s_.engine.available()) {
        if (!form_.erreurSynthese) {
            s_.dialogs.message(kMsgErreurChargement);
            form_.erreurSynthese = true;
            params_.set(Params::kSpeechFailure, QStringLiteral("Erreur"));
        }
        form_.sliderVoixSpeed.enabled = false;
    } else {
        const int count = s_.engine.voiceCount();
        if (count < 1) {
            s_.dialogs.message(kMsgAucuneVoix);
            form_.tabS12Enabled = false;
            form_.frmChargementVisible = false;
            // With no voice the program runs in file mode.
            form_.tabS11Colour = kTabSelected;
            form_.tabS12Colour = kTabUnselected;
            form_.frmSyntheseVisible = false;
            form_.frmSynthese2Visible = false;
            form_.frmFichierVisible = true;
            form_.sliderVolWMP.enabled = true;
            form_.sliderVolVoix.enabled = false;
        } else {
            for (int i = 0; i < count; ++i) {
                form_.lblChargeParam = QStringLiteral("Chargement des voix...\n") +
                                       QString::number(i) + QStringLiteral("/") +
                                       QString::number(count);
                form_.listVoix.items << voiceLine(s_.engine.voiceName(i), s_.engine.voiceGender(i),
                                                  s_.engine.voiceLanguage(i));
                form_.listIDVoix << QString::number(s_.engine.voiceLanguage(i));
            }
        }
        const QString saved = params_.get(Params::kVoice);
        if (!saved.isEmpty()) {
            const auto v = toNumber(saved);
            // An index beyond the voices installed now selects no voice.
            if (v && *v >= 0 && *v < form_.listVoix.items.size())
                ListVoix_Click(static_cast<int>(roundEven(*v)));
        }
    }
    form_.lblChargeParam = QStringLiteral("Lancement...");
    form_.frmChargementVisible = false;
}

void VoiceCatalogue::ListVoix_Click(int index) {
    if (index < 0 || index >= form_.listVoix.items.size())
        return;
    form_.listVoix.index = index;
    form_.listVoix.text = form_.listVoix.items[index];
    s_.engine.voiceLanguage(index);
    const SpeechResult r = s_.engine.selectVoice(index);
    // A voice chosen while a cycle runs must not hide its stop button.
    const bool running = form_.btPlay == PlayImage::Stop;
    if (r == SpeechResult::VoiceUnusable) {
        if (!running)
            setPlayImage(form_, PlayImage::PlayDis);
        setLblNomVoix(QStringLiteral("Erreur !"));
        return;
    }
    if (r == SpeechResult::Ok) {
        params_.set(Params::kVoice, QString::number(index));
        setLblNomVoix(s_.engine.voiceName(index));
    }
    if (!running)
        setPlayImage(form_, PlayImage::Play);
}

void VoiceCatalogue::ListVoix_DblClick() {
    s_.engine.speak(QStringLiteral("Bonjour"));
}

void VoiceCatalogue::LblNomVoix_Click() {
    form_.listVoixVisible = !form_.listVoixVisible;
    form_.comboOndrixTexteVisible = !form_.listVoixVisible;
}

void VoiceCatalogue::CmdResoudreProb_Click() {
    s_.dialogs.message(
        QStringLiteral("En installant le fichier 'lhttsfrf.exe' téléchargeable sur internet."));
}

void VoiceCatalogue::CmdProbOK_Click() {
    if (s_.dialogs.message(QStringLiteral("L'application va redémarrer."), MsgButtons::OkCancel) !=
        MsgAnswer::Ok)
        return;
    params_.set(Params::kSpeechFailure, QString());
    if (writeSettings)
        writeSettings();
    s_.program.restart();
}

} // namespace ondrix
