#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// A JSON string literal for text, quotes included. Control characters and lone surrogates
// are escaped, so the output is valid JSON whatever the INI file held.
QString JsonQuote(const QString& text);
// JsonQuote, or null for a field a row does not have.
QString JsonQuoteOrNull(const QString* text);
// Prints JSON objects (each one line of text) as an array, one object a line.
void PrintJsonArray(QTextStream& out, const QStringList& objects);
