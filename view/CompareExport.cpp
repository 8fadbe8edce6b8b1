#include "view/CompareExport.h"

#include "compare/CompareReport.h"
#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QShortcut>
#include <vector>

CCompareExport::CCompareExport(QWidget* view, Pelmo::CListCtrlEx* grid,
                               std::function<const CIniCompare*()> compare)
    : QObject(view), m_pView(view), m_pGrid(grid), m_compare(std::move(compare)),
      m_pKey(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), view)) {
    m_pKey->setEnabled(false);
    // The grid and its in-place editor have the focus; the key works wherever it is inside.
    m_pKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(m_pKey, &QShortcut::activated, this, &CCompareExport::Run);
}

void CCompareExport::SetEnabled(bool enabled) {
    m_pKey->setEnabled(enabled);
}

bool CCompareExport::Write(const QString& path, QString& errorText) const {
    const CIniCompare* compare = m_compare();
    if (!compare)
        return false;
    std::vector<const COMPARE_REULT*> rows;
    rows.reserve(size_t(m_pGrid->GetItemCount()));
    // What is shown: rows hidden for the moment are left out.
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        if (!m_pGrid->IsRowHidden(row))
            rows.push_back(reinterpret_cast<const COMPARE_REULT*>(m_pGrid->GetItemData(row)));
    }
    const QByteArray html =
        CompareReport::PairHtml(compare->GetTitle(0), compare->GetTitle(1), rows, compare->m_rules);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size() || !file.commit()) {
        errorText = file.errorString();
        return false;
    }
    return true;
}

void CCompareExport::Run() {
    const CIniCompare* compare = m_compare();
    if (!compare)
        return;
    Ui::FileOpenRequest request;
    request.parent = m_pView;
    request.filter = QStringLiteral("HTMLファイル (*.html)|*.html||");
    request.defaultSuffix = QStringLiteral("html");
    request.title = QStringLiteral("HTML に書き出す");
    request.directory = QFileInfo(compare->GetTitle(0)).absolutePath();
    request.fileName = QFileInfo(compare->GetTitle(0)).completeBaseName() + QStringLiteral(".html");
    const Ui::FileOpenResult result = Ui::GetSaveFileName(request);
    if (!result.accepted)
        return;
    QString errorText;
    if (Write(result.path, errorText)) {
        emit Exported(result.path);
        return;
    }
    Ui::MessageBox(m_pView,
                   QStringLiteral("書き出せませんでした: %1\n%2").arg(result.path, errorText),
                   QStringLiteral("Quillet"), Ui::MB_OK | Ui::MB_ICONERROR);
}
