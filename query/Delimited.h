// Object names wrapped in a data source's delimiter, the one way every query
// text and look-up of the control composes them.
#pragma once

#include <QString>

// `name` wrapped on both sides in `delimiter`. A one-character delimiter met
// inside the name is doubled, as SQL quoting wants, so a hostile name cannot
// close the quotes early and append text of its own. "[" closes with "]", as
// SQL Server brackets do. A longer or empty delimiter is only put around the name.
inline QString Delimited(const QString& name, const QString& delimiter)
{
    if (delimiter.size() != 1)
        return delimiter + name + delimiter;
    const QString close = delimiter == u"[" ? QStringLiteral("]") : delimiter;
    QString inner = name;
    inner.replace(close, close + close);
    return delimiter + inner + close;
}
