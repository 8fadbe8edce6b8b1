#pragma once

#include <QString>
#include <QStringView>

// What a load hears of a file: its sections in the order the names list gives them, each with
// the lines the section reader returns for it. Whoever reads the file (the private-profile
// calls, or the platform's single pass over the text) tells it section by section; the sink
// alone decides what becomes of each.
class CSectionSink {
public:
    virtual ~CSectionSink() = default;

    // A listed section begins. False stops the read, with errorText saying why.
    virtual bool BeginSection(const QString& name, QString& errorText) = 0;
    // One returned line of the section that holds '=': the text before the first '=' and
    // the text after it.
    virtual void AddLine(QStringView key, QStringView value) = 0;
    // The section ends. fits is false when its lines do not fit the section buffer; length
    // is then the characters they need (0 when unknown), and lines already heard are void.
    virtual void EndSection(bool fits, qsizetype length) = 0;
    // Everything heard so far is void: the names list turned out too long after all.
    virtual void ForgetSections() = 0;
};
