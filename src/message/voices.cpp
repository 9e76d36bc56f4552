#include "message/voices.h"

#include "core/vbtext.h"

namespace ondrix {

const QString VoiceCatalogue::kMsgErreurChargement =
    QStringLiteral("Erreur de chargement, la synthèse vocale ne sera pas active.");
const QString VoiceCatalogue::kMsgAucuneVoix = QStringLiteral("Aucune voix de synthèse installée");

namespace {} // namespace

VoiceCatalogue::VoiceCatalogue(State state, Params& params, Services services)
    : speech_(state.speech), cycle_(state.cycle), file_(state.file), shell_(state.shell),
      params_(params), s_(services) {}

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
    speech_.voiceNameLabel = caption.size() > 10 ? QString() : caption;
}

void VoiceCatalogue::ChargerVoix() {
    speech_.voiceList.items.clear();
    speech_.voiceList.index = -1;
    speech_.voiceList.text.clear();
    speech_.voiceIds.clear();

    if (!s_.engine.available()) {
        if (!speech_.engineFailed) {
            s_.dialogs.message(kMsgErreurChargement);
            speech_.engineFailed = true;
            params_.set(Params::kSpeechFailure, QStringLiteral("Erreur"));
        }
        speech_.speedSlider.enabled = false;
    } else {
        const int count = s_.engine.voiceCount();
        if (count < 1) {
            s_.dialogs.message(kMsgAucuneVoix);
            speech_.tabEnabled = false;
            shell_.loadingVisible = false;
            // With no voice the program runs in file mode.
            cycle_.mode = MessageMode::File;
            cycle_.speechFrameVisible = false;
            cycle_.speechProblemFrameVisible = false;
            cycle_.fileFrameVisible = true;
            file_.volumeSlider.enabled = true;
            speech_.volumeSlider.enabled = false;
        } else {
            for (int i = 0; i < count; ++i) {
                shell_.loadingCaption = QStringLiteral("Chargement des voix...\n") +
                                        QString::number(i) + QStringLiteral("/") +
                                        QString::number(count);
                speech_.voiceList.items << voiceLine(
                    s_.engine.voiceName(i), s_.engine.voiceGender(i), s_.engine.voiceLanguage(i));
                speech_.voiceIds << QString::number(s_.engine.voiceLanguage(i));
            }
        }
        const QString saved = params_.get(Params::kVoice);
        if (!saved.isEmpty()) {
            const auto v = toNumber(saved);
            // An index beyond the voices installed now selects no voice.
            if (v && *v >= 0 && *v < speech_.voiceList.items.size())
                ListVoix_Click(static_cast<int>(roundEven(*v)));
        }
    }
    shell_.loadingCaption = QStringLiteral("Lancement...");
    shell_.loadingVisible = false;
}

void VoiceCatalogue::ListVoix_Click(int index) {
    if (index < 0 || index >= speech_.voiceList.items.size())
        return;
    speech_.voiceList.index = index;
    speech_.voiceList.text = speech_.voiceList.items[index];
    s_.engine.voiceLanguage(index);
    const SpeechResult r = s_.engine.selectVoice(index);
    // A voice chosen while a cycle runs must not hide its stop button.
    const bool running = cycle_.running || cycle_.speaking;
    if (r == SpeechResult::VoiceUnusable) {
        if (!running)
            cycle_.startBlocked = true;
        setLblNomVoix(QStringLiteral("Erreur !"));
        return;
    }
    if (r == SpeechResult::Ok) {
        params_.set(Params::kVoice, QString::number(index));
        setLblNomVoix(s_.engine.voiceName(index));
    }
    if (!running)
        cycle_.startBlocked = false;
}

void VoiceCatalogue::ListVoix_DblClick() {
    s_.engine.speak(QStringLiteral("Bonjour"));
}

void VoiceCatalogue::LblNomVoix_Click() {
    speech_.voiceListVisible = !speech_.voiceListVisible;
    speech_.tagListVisible = !speech_.voiceListVisible;
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
