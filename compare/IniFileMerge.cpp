#include "compare/IniFileMerge.h"

#include "compare/MergeMarkers.h"
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

#include <QFileInfo>

namespace {

std::unique_ptr<CIniData> Read(const QString& path, const QString& prefix, QByteArray& bytes,
                               QString& errorText) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // The model reads a missing file as an empty one; for a merge it is a mistyped name.
    if (!QFileInfo::exists(path)) {
        errorText = prefix + QStringLiteral("ファイルがありません: ") + path;
        return nullptr;
    }
    auto ini = std::make_unique<CIniData>();
    if (!ini->Load(absolute, errorText)) {
        errorText.prepend(prefix);
        return nullptr;
    }
    if (!ini->SkippedSections().empty()) {
        errorText = prefix + QStringLiteral("セクションが大きすぎて比較できません[") +
                    ini->SkippedSections().front().name + u']';
        return nullptr;
    }
    if (!CRegularFile::Read(absolute, bytes)) {
        errorText = prefix + QStringLiteral("ファイルを読み込めません: ") + path;
        return nullptr;
    }
    return ini;
}

} // namespace

bool CIniFileMerge::Load(const QString& base, const QString& ours, const QString& theirs,
                         QString& errorText) {
    auto baseIni = Read(base, QStringLiteral("基:"), m_baseBytes, errorText);
    if (!baseIni)
        return false;
    auto oursIni = Read(ours, QStringLiteral("1:"), m_oursBytes, errorText);
    if (!oursIni)
        return false;
    auto theirsIni = Read(theirs, QStringLiteral("2:"), m_theirsBytes, errorText);
    if (!theirsIni)
        return false;
    m_oursPath = oursIni->m_filePath;
    m_merge =
        std::make_unique<CIniMerge>(std::move(baseIni), std::move(oursIni), std::move(theirsIni));
    return true;
}

void CIniFileMerge::Merge(bool markers) {
    const CTextCodec codec(CTextCodec::Detect(m_oursBytes));
    m_merge->Merge([&codec](QStringView text) {
        QByteArray encoded;
        return codec.encode(text, encoded);
    });
    const std::vector<CProfileWriter::Change> changes = m_merge->m_pOurs->PendingChanges();
    std::vector<QString> reasons;
    m_result = CProfileWriter::EditMany(m_oursBytes, changes, reasons);
    m_conflicts = m_merge->Conflicts();
    for (size_t i = 0; i < reasons.size(); ++i) {
        if (!reasons[i].isEmpty())
            m_conflicts.push_back({changes[i].section, changes[i].key, std::nullopt, std::nullopt,
                                   changes[i].value, reasons[i]});
    }
    if (markers)
        m_result = CMergeMarkers::Apply(m_result, m_conflicts);
    m_commentChanges = CIniMerge::CountCommentChanges(m_baseBytes, m_theirsBytes);
}
