#pragma once

#include <QString>

// A JSON string literal for text, quotes included. Control characters and lone surrogates
// are escaped, so the output is valid JSON whatever the INI file held.
QString JsonQuote(const QString& text);
// JsonQuote, or null for a field a row does not have.
QString JsonQuoteOrNull(const QString* text);
