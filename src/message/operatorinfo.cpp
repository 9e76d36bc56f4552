#include "message/operatorinfo.h"

namespace ondrix {

const QString OperatorInfo::kLabels[Params::kOmCount] = {
    QStringLiteral("Prénom :"), QStringLiteral("Indicatif :"), QStringLiteral("QTH :"),
    QStringLiteral("Indicatif ondrix :"), QString()};
const QString OperatorInfo::kDefaults[Params::kOmCount] = {
    QStringLiteral("Nom OM/YL"), QStringLiteral("Indicatif OM"), QStringLiteral("QTH"),
    QStringLiteral("Indicatif Ondrix"), QStringLiteral("QTH")};

void OperatorInfo::setDefaults(Params& params) {
    for (int i = 0; i < Params::kOmCount; ++i)
        params.setOM(i, kDefaults[i]);
}

QString OperatorInfo::spelling(QChar ch) {
    static const char* const kWords[26] = {
        "Alpha",  "Bravo",  "Charly",   "Delta",  "Echo",   "Fox Trot", "Golf",
        "Hotel",  "India",  "Juliette", "Kilo",   "Lima",   "Mike",     "November",
        "Oscar",  "Papa",   "Quebec",   "Roméo",  "Sierra", "Tango",    "Uniform",
        "Victor", "Wiskey", "X-ray",    "Yankee", "Zoulou"};
    const char16_t c = ch.unicode();
    if (c >= u'a' && c <= u'z')
        return QStringLiteral(".") + QString::fromUtf8(kWords[c - u'a']) + QStringLiteral(".");
    if (c >= u'0' && c <= u'9')
        return QString(ch);
    return QString();
}

void OperatorInfo::keyPress(int field, QChar ch) {
    if (field != kQth)
        return;
    if (params_.getOM(kQth).isEmpty())
        params_.setOM(kQthSpelled, QString());
    if (ch.unicode() == 127 || ch.unicode() == 8) {
        params_.setOM(kQthSpelled, QString());
        params_.setOM(kQth, QString());
    }
    const QString s = spelling(ch);
    if (!s.isEmpty())
        params_.setOM(kQthSpelled, params_.getOM(kQthSpelled) + s);
}

void OperatorInfo::click(int) {
    params_.setOM(kQth, QString());
    params_.setOM(kQthSpelled, QString());
}

} // namespace ondrix
