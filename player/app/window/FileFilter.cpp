#include "player/app/window/FileFilter.h"

#include <QStringList>

QString ToQtFileFilter(const CString& windowsFilter)
{
    const QStringList parts = QString::fromUtf8(windowsFilter.c_str()).split(QLatin1Char('|'));
    QStringList filters;
    // Pairs of text and pattern until the empty text of the closing "||".
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString& text = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (text.contains(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
            filters << text;
        else
            filters << text + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString FilterSuffix(const QString& qtFilter)
{
    const qsizetype star = qtFilter.indexOf(QStringLiteral("(*."));
    if (star < 0)
        return QString();
    const qsizetype begin = star + 3;
    qsizetype end = begin;
    while (end < qtFilter.size() && qtFilter[end].isLetterOrNumber())
        ++end;
    return qtFilter.mid(begin, end - begin);
}
