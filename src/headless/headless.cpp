#include "headless/headless.h"

#include "core/events.h"

#include <QFileInfo>

#include <utility>

namespace ondrix {

void EventLog::print(const QString& text) {
    std::fprintf(out_, "%s\n", eventLine(clock_.now(), text).toUtf8().constData());
    std::fflush(out_);
}

MsgAnswer ConsoleDialogs::message(const QString& text, MsgButtons buttons, const QString& title) {
    last_ = text;
    log_.print(title.isEmpty()
                   ? QStringLiteral("Message : ") + text
                   : QStringLiteral("Message « ") + title + QStringLiteral(" » : ") + text);
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    }
    return MsgAnswer::Cancel;
}

QString ConsoleDialogs::openFile(const QString& title, const QString&) {
    log_.print(QStringLiteral("Choix de fichier « ") + title +
               QStringLiteral(" » impossible sans fenêtre : aucun fichier choisi"));
    return {};
}

EventReporter::EventReporter(MainPresenter& presenter, EventLog& log)
    : presenter_(presenter), log_(log) {
    resync();
    connect(&presenter_, &MainPresenter::changed, this, &EventReporter::check);
}

void EventReporter::resync() {
    sendings_.clear();
    running_ = presenter_.form().btPlay == PlayImage::Stop;
    ptt_ = presenter_.form().shapePTTColour;
}

void EventReporter::sending(const QString& what) {
    sendings_ << what;
}

void EventReporter::check() {
    const MainForm& f = presenter_.form();
    const bool running = f.btPlay == PlayImage::Stop;
    if (running && !running_) {
        const bool file = f.tabS11Colour == kTabSelected;
        log_.print(QStringLiteral("Cycle démarré : ") +
                   (file ? QStringLiteral("fichier") : QStringLiteral("synthèse vocale")) +
                   QStringLiteral(", période ") + QString::number(f.sliderLireTemps.value) +
                   QStringLiteral(" s"));
    }
    if (f.shapePTTColour != ptt_) {
        ptt_ = f.shapePTTColour;
        if (ptt_ == kIndicatorOn)
            log_.print(QStringLiteral("PTT activé : émetteur en émission"));
        else if (ptt_ == kIndicatorOff)
            log_.print(QStringLiteral("PTT relâché : émetteur en réception"));
    }
    for (const QString& s : std::exchange(sendings_, {}))
        log_.print(s);
    if (!running && running_)
        log_.print(QStringLiteral("Cycle arrêté"));
    running_ = running;
}

HeadlessBeacon::HeadlessBeacon(const QString& appDir, std::FILE* events, std::FILE* errors)
    : log_(clock_, events), errors_(errors), dialogs_(log_), station_(appDir, dialogs_),
      reporter_(station_.presenter(), log_) {
    station_.onFilePlayed = [this](const QString& path) {
        reporter_.sending(QStringLiteral("Émission du fichier « ") + path + QStringLiteral(" »"));
    };
    station_.onSpoken = [this](const QString& text) {
        reporter_.sending(QStringLiteral("Synthèse vocale : ") + text);
    };
}

HeadlessBeacon::~HeadlessBeacon() {
    station_.onFilePlayed = nullptr;
    station_.onSpoken = nullptr;
}

int HeadlessBeacon::start() {
    MainPresenter& p = station_.presenter();
    log_.print(QStringLiteral("Démarrage d'") + MainPresenter::caption() +
               QStringLiteral(" sans fenêtre, dossier : ") + p.form().appDirText);
    station_.start();
    // Nothing is sent during start-up; whatever it changed is the starting point.
    reporter_.resync();
    if (station_.stoppedForGood()) {
        // Asked to stop while starting: the shut-down has just run.
        log_.print(QStringLiteral("Arrêt terminé"));
        return 0;
    }
    log_.print(QStringLiteral("Démarrage terminé"));

    const MainForm& f = p.form();
    QStringList windows;
    for (int w = 0; w < MainForm::kWindows; ++w) {
        if (!f.chkDecl[static_cast<size_t>(w)])
            continue;
        const auto field = [&f, w](int i) {
            return f.timeFields[static_cast<size_t>(TriggerWindows::fieldIndex(w, i >= 3, i % 3))];
        };
        windows << QStringLiteral("plage ") + QString::number(w + 1) + QStringLiteral(" de ") +
                       field(0) + QLatin1Char(':') + field(1) + QLatin1Char(':') + field(2) +
                       QStringLiteral(" à ") + field(3) + QLatin1Char(':') + field(4) +
                       QLatin1Char(':') + field(5);
    }
    if (!windows.isEmpty()) {
        log_.print(QStringLiteral("Cycle laissé aux plages horaires : ") +
                   windows.join(QStringLiteral(", ")));
        return 0;
    }

    if (const QString problem = startProblem(); !problem.isEmpty())
        return fail(problem);
    const QString before = dialogs_.lastMessage();
    p.BTPlay_Click();
    if (p.form().btPlay != PlayImage::Stop) {
        const QString said = dialogs_.lastMessage();
        QString why = QStringLiteral("Le cycle n'a pas pu démarrer");
        if (!said.isEmpty() && said != before)
            why +=
                QStringLiteral(" : ") + QString(said).replace(QLatin1Char('\n'), QLatin1Char(' '));
        return fail(why + QLatin1Char('.'));
    }
    return 0;
}

QString HeadlessBeacon::startProblem() {
    MainPresenter& p = station_.presenter();
    const MainForm& f = p.form();
    const QString ini = p.settings().file().path();
    if (f.tabS11Colour == kTabSelected) {
        const QString file = f.comboFichierRecent.text;
        if (file.isEmpty())
            return QStringLiteral("Aucun fichier de message : choisissez-le dans la fenêtre "
                                  "d'Ondrix, ou donnez son chemin à la clé Param0 de ") +
                   ini + QLatin1Char('.');
        const QFileInfo info(file);
        if (!info.exists())
            return QStringLiteral("Fichier de message introuvable : ") + file;
        if (!info.isFile() || !info.isReadable())
            return QStringLiteral("Fichier de message illisible : ") + file;
        return {};
    }
    if (!station_.speechEngine().available())
        return QStringLiteral("Synthèse vocale indisponible : ") +
               station_.speechEngine().unavailableReason();
    if (f.listVoix.items.isEmpty())
        return QStringLiteral("Aucune voix de synthèse vocale n'est installée (espeak-ng-data).");
    if (f.txtSynthese.isEmpty())
        return QStringLiteral("Aucun texte de message : écrivez-le dans la fenêtre d'Ondrix, "
                              "ou à la clé Param27 de ") +
               ini + QLatin1Char('.');
    return {};
}

int HeadlessBeacon::fail(const QString& why) {
    std::fprintf(errors_, "Balise non lancée. %s\n", why.toUtf8().constData());
    std::fflush(errors_);
    stop(QString());
    return 1;
}

void HeadlessBeacon::stop(const QString& why) {
    if (station_.stoppedForGood())
        return;
    if (!why.isEmpty())
        log_.print(QStringLiteral("Arrêt demandé (") + why + QStringLiteral(")"));
    station_.requestShutDown();
    if (!station_.stoppedForGood())
        return;
    // Said, not hidden: an unattended station's settings would otherwise be
    // lost without anyone knowing.
    if (!station_.presenter().savedAtUnload())
        log_.print(QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans ") +
                   station_.presenter().settings().file().path());
    log_.print(QStringLiteral("Arrêt terminé"));
}

} // namespace ondrix
