#include "app/SaveFailure.h"

#include "app/WriteReasonText.h"
#include "platform/ProfileWriter.h"

void CSaveFailure::Add(const CIniEntryData& entry) {
    const QString reason = CProfileWriter::LastError();
    if (reason.isEmpty())
        return;
    AddReason(CWriteReasonText::ForEntry(reason, entry, m_strPath));
}

void CSaveFailure::AddReason(const QString& text) {
    if (!text.isEmpty() && !m_reasons.contains(text))
        m_reasons.append(text);
}

QString CSaveFailure::Message(const QStringList& unwritten) const {
    QString text = QStringLiteral("ファイルへの書き込みに失敗しました。\n") + m_strPath;
    // Each entry its own character: a long list of them would make a box taller than the
    // screen, as the entries below would.
    for (qsizetype i = 0; i < m_reasons.size() && i < kMaxListed; ++i)
        text += QStringLiteral("\n理由: ") + m_reasons[i];
    if (m_reasons.size() > kMaxListed)
        text += QStringLiteral("\nほか %1 件").arg(m_reasons.size() - kMaxListed);
    text += QStringLiteral("\n\n書き込めなかったエントリ:");
    for (qsizetype i = 0; i < unwritten.size() && i < kMaxListed; ++i)
        text += u'\n' + unwritten[i];
    if (unwritten.size() > kMaxListed)
        text += QStringLiteral("\nほか %1 件").arg(unwritten.size() - kMaxListed);
    return text;
}
