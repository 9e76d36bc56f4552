#include "message/tags.h"

namespace ondrix {

QString TrouvRemp(QString& dans, const QString& var1, const QString& var2) {
    if (var1.isEmpty())
        return dans; // nothing to find: an empty pattern would match everywhere
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = dans.indexOf(var1, from, Qt::CaseSensitive);
        if (p < 0)
            break;
        dans.replace(p, var1.size(), var2);
        from = p + var2.size();
    }
    return dans;
}

const QStringList& messageTags() {
    static const QStringList tags{
        QStringLiteral("[Heure:Minute]"), QStringLiteral("[Date]"),
        QStringLiteral("[Nom OM/YL]"),    QStringLiteral("[Indicatif OM/YL]"),
        QStringLiteral("[QTH]"),          QStringLiteral("[Indicatif Ondrix]")};
    return tags;
}

QString replaceTags(const QString& message, const Clock& clock, const Params& params) {
    QString t = message;
    const QTime time = clock.now().time();
    TrouvRemp(t, messageTags()[0],
              QString::number(time.hour()) + QStringLiteral("H") + QString::number(time.minute()));
    const QDate date = clock.now().date();
    TrouvRemp(t, messageTags()[1],
              QString::number(date.day()) + QString::number(date.month()) +
                  QString::number(date.year()));
    TrouvRemp(t, messageTags()[2], params.getOM(0));
    TrouvRemp(t, messageTags()[3], params.getOM(1));
    TrouvRemp(t, messageTags()[4], params.getOM(4));
    TrouvRemp(t, messageTags()[5], params.getOM(3));
    return t;
}

std::optional<std::pair<int, int>> TrouverCrochet(const QString& text, int caret) {
    if (caret <= 0 || caret > text.size())
        return std::nullopt;
    // Positions are 1-based here: the "[" at or before the caret, the "]"
    // at or after it.
    const qsizetype o = text.lastIndexOf(QLatin1Char('['), caret - 1) + 1;
    if (o <= 0)
        return std::nullopt;
    const qsizetype k = text.indexOf(QLatin1Char(']'), o - 1) + 1;
    if (k <= 0 || !(o < k && o <= caret && caret <= k))
        return std::nullopt;
    return std::make_pair(static_cast<int>(o - 1), static_cast<int>(k - o + 1));
}

} // namespace ondrix
