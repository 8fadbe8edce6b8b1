#include "cli/JsonText.h"

#include <QStringList>
#include <QTextStream>

namespace {

void AppendEscape(QString& out, char16_t c) {
    out += QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
}

bool IsLoneSurrogate(const QString& text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate())
        return i + 1 >= text.size() || !text[i + 1].isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !text[i - 1].isHighSurrogate();
    return false;
}

} // namespace

QString JsonQuote(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c < 0x20 || IsLoneSurrogate(text, i))
                AppendEscape(out, c);
            else
                out += QChar(c);
        }
    }
    out += u'"';
    return out;
}

QString JsonQuoteOrNull(const QString* text) {
    return text ? JsonQuote(*text) : QStringLiteral("null");
}

void PrintJsonArray(QTextStream& out, const QStringList& objects) {
    if (objects.isEmpty()) {
        out << "[]\n";
        return;
    }
    out << "[\n";
    for (qsizetype i = 0; i < objects.size(); ++i)
        out << "  " << objects[i] << (i + 1 < objects.size() ? ",\n" : "\n");
    out << "]\n";
}
