#include "compare/FilePairStatus.h"

#include "compare/IniCompare.h"
#include "ini/IniData.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Whether the bytes of two files differ; an unreadable file counts as different.
bool BytesDiffer(const QString& file1, const QString& file2) {
    if (QFileInfo(file1).size() != QFileInfo(file2).size())
        return true;
    QFile a(file1), b(file2);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return true;
    constexpr qint64 kPiece = 256 * 1024;
    while (!a.atEnd()) {
        if (a.read(kPiece) != b.read(kPiece))
            return true;
    }
    return !b.atEnd();
}

std::unique_ptr<CIniData> LoadSide(const QString& path, int side, CFilePairStatus& status) {
    auto ini = std::make_unique<CIniData>();
    QString errorText;
    if (!ini->Load(path, errorText)) {
        status.kind = CFilePairStatus::Unreadable;
        status.side = side;
        status.errorText = errorText;
        return nullptr;
    }
    // A file the model reads as empty because it has gone is not an empty file.
    if (!QFileInfo::exists(path)) {
        status.kind = CFilePairStatus::Unreadable;
        status.side = side;
        status.errorText = QStringLiteral("ファイルがありません");
        return nullptr;
    }
    return ini;
}

} // namespace

QString CFilePairStatus::KindName() const {
    switch (kind) {
    case Identical:
        return QStringLiteral("identical");
    case Differs:
        return QStringLiteral("differs");
    case OnlyIn1:
        return QStringLiteral("only-in-1");
    case OnlyIn2:
        return QStringLiteral("only-in-2");
    case Unreadable:
        break;
    }
    return QStringLiteral("unreadable");
}

QString CFilePairStatus::Detail() const {
    if (kind == Unreadable)
        return side != 0 ? QString::number(side) + u':' + errorText : errorText;
    if (!path1.isEmpty() && !path2.isEmpty() && path1 != path2)
        return path2;
    return QString();
}

QString CFilePairStatus::KindText() const {
    switch (kind) {
    case Identical:
        return textDiffers ? QStringLiteral("同じ (テキストは異なる)") : QStringLiteral("同じ");
    case Differs:
        return QStringLiteral("異なる");
    case OnlyIn1:
        return QStringLiteral("1 のみ");
    case OnlyIn2:
        return QStringLiteral("2 のみ");
    case Unreadable:
        break;
    }
    return QStringLiteral("読めません");
}

CFilePairStatus CFilePairStatus::CompareFiles(const QString& file1, const QString& file2,
                                              const CRowRules& rules,
                                              std::unique_ptr<CIniCompare>* keep) {
    CFilePairStatus status;
    auto ini1 = LoadSide(file1, 1, status);
    if (!ini1)
        return status;
    auto ini2 = LoadSide(file2, 2, status);
    if (!ini2)
        return status;
    const bool skipped = !ini1->SkippedSections().empty() || !ini2->SkippedSections().empty();
    auto compare = std::make_unique<CIniCompare>(std::move(ini1), std::move(ini2));
    compare->Compare();
    for (const auto& row : compare->m_results) {
        const RowState state = rules.StateOf(*row);
        status.differingRows += state == RowState::Differs ? 1 : 0;
        status.ignoredRows += state == RowState::Ignored ? 1 : 0;
    }
    if (skipped) {
        // Rows inside a section left out were not compared: equal rows prove nothing then.
        status.kind = Unreadable;
        status.errorText = QStringLiteral("セクションバッファより大きいセクションがあります");
    } else if (status.differingRows > 0) {
        status.kind = Differs;
    } else {
        status.textDiffers = BytesDiffer(file1, file2);
    }
    if (keep)
        *keep = std::move(compare);
    return status;
}
