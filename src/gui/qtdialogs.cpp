#include "gui/qtdialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ondrix {

MsgAnswer QtDialogs::message(const QString& text, MsgButtons buttons, const QString& title) {
    QMessageBox box(parent_);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Ondrix") : title);
    box.setText(text);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Cancel;
    }
}

QString QtDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QStringList all;
        for (const QString& p : patterns) {
            all << p;
            // Linux file names are case-sensitive; Windows users' files are often "*.WAV".
            if (p.toUpper() != p)
                all << p.toUpper();
        }
        const int paren = label.indexOf(QLatin1Char('('));
        if (paren >= 0)
            label = label.left(paren).trimmed();
        out << label + QStringLiteral(" (") + all.join(QLatin1Char(' ')) + QStringLiteral(")");
    }
    return out.join(QStringLiteral(";;"));
}

QString QtDialogs::openFile(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, title, QString(), toQtFilter(filter));
}

} // namespace ondrix
