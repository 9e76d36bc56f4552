#include "headless/headless.h"

#include "core/events.h"

#include <QFileInfo>

#include <utility>

namespace ondrix {

void EventLog::print(const Event& event) {
    if (hasLine(event))
        print(event.text);
}

void EventLog::print(const QString& text) {
    std::fprintf(out_, "%s\n", eventLine(clock_.now(), text).toUtf8().constData());
    std::fflush(out_);
}

MsgAnswer ConsoleDialogs::message(const QString& text, MsgButtons buttons, const QString&) {
    last_ = text;
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

HeadlessBeacon::HeadlessBeacon(const QString& appDir, std::FILE* events, std::FILE* errors)
    : log_(clock_, events), errors_(errors), dialogs_(log_), station_(appDir, dialogs_) {
    subscription_ =
        station_.presenter().events().subscribe([this](const Event& e) { log_.print(e); });
}

HeadlessBeacon::~HeadlessBeacon() {
    station_.presenter().events().unsubscribe(subscription_);
}

void HeadlessBeacon::say(const QString& text, EventKind kind) {
    station_.presenter().events().publish(kind, text);
}

int HeadlessBeacon::start() {
    MainPresenter& p = station_.presenter();
    say(QStringLiteral("Démarrage d'") + MainPresenter::caption() +
        QStringLiteral(" sans fenêtre, dossier : ") + p.state().options.appDirText);
    station_.start();
    if (station_.stoppedForGood()) {
        // Asked to stop while starting: the shut-down has just run.
        say(QStringLiteral("Arrêt terminé"));
        return 0;
    }
    say(QStringLiteral("Démarrage terminé"));

    const StationState& f = p.state();
    QStringList windows;
    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        if (!f.windows.enabled[static_cast<size_t>(w)])
            continue;
        const auto field = [&f, w](int i) {
            return f.windows
                .fields[static_cast<size_t>(TriggerWindows::fieldIndex(w, i >= 3, i % 3))];
        };
        windows << QStringLiteral("plage ") + QString::number(w + 1) + QStringLiteral(" de ") +
                       field(0) + QLatin1Char(':') + field(1) + QLatin1Char(':') + field(2) +
                       QStringLiteral(" à ") + field(3) + QLatin1Char(':') + field(4) +
                       QLatin1Char(':') + field(5);
    }
    if (!windows.isEmpty()) {
        say(QStringLiteral("Cycle laissé aux plages horaires : ") +
            windows.join(QStringLiteral(", ")));
        return 0;
    }

    if (const QString problem = startProblem(); !problem.isEmpty())
        return fail(problem);
    const QString before = dialogs_.lastMessage();
    p.execute(cmd::BTPlay_Click{});
    if (!p.state().cycle.running) {
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
    const StationState& f = p.state();
    const QString ini = p.settings().file().path();
    if (f.cycle.mode == MessageMode::File) {
        const QString file = f.file.recentFiles.text;
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
    if (f.speech.voiceList.items.isEmpty())
        return QStringLiteral("Aucune voix de synthèse vocale n'est installée (espeak-ng-data).");
    if (f.speech.text.isEmpty())
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
        say(QStringLiteral("Arrêt demandé (") + why + QStringLiteral(")"));
    station_.requestShutDown();
    if (!station_.stoppedForGood())
        return;
    // Said, not hidden: an unattended station's settings would otherwise be
    // lost without anyone knowing.
    if (!station_.presenter().savedAtUnload())
        say(QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans ") +
                station_.presenter().settings().file().path(),
            EventKind::Error);
    say(QStringLiteral("Arrêt terminé"));
}

} // namespace ondrix
