#pragma once

#include <QObject>
#include <QString>
#include <functional>

class CIniCompare;
class QShortcut;
class QWidget;
namespace Pelmo {
class CListCtrlEx;
}

// The comparison on screen written as one HTML page, with the rows in the order shown and the
// texts as edited: Ctrl+E asks where, anywhere inside the view, while a comparison is shown.
class CCompareExport : public QObject {
    Q_OBJECT
public:
    // compare: the comparison shown now, null while there is none.
    CCompareExport(QWidget* view, Pelmo::CListCtrlEx* grid,
                   std::function<const CIniCompare*()> compare);

    void SetEnabled(bool enabled);
    // Asks for the file and writes it; a write that fails says why and leaves no part file.
    void Run();
    // Writes the page to path; false with errorText when it cannot be written.
    bool Write(const QString& path, QString& errorText) const;

signals:
    // Run wrote the page to path.
    void Exported(const QString& path);

private:
    QWidget* m_pView;
    Pelmo::CListCtrlEx* m_pGrid;
    std::function<const CIniCompare*()> m_compare;
    QShortcut* m_pKey;
};
