#pragma once

#include <QWidget>
#include <memory>

class CViewHost;
namespace Pelmo {
class CListCtrlEx;
}

// The single view of the main window: one grid (control 1010) filling the client area,
// showing one INI file with its value list or two files compared. The document and the
// frame talk to it through OnUpdate with the update hints of Res::HINT_*.
class CQuilletView : public QWidget {
    Q_OBJECT
public:
    CQuilletView(CViewHost* host, QWidget* parent = nullptr);
    ~CQuilletView() override;

    // hint: Res::HINT_*; object: the hint's object (a CIniData*, a CIniCompare*, a PID).
    void OnUpdate(QWidget* sender, int hint, quintptr object);

    // Commits an open in-place edit, so that the model holds what the user typed.
    void CommitEdit();

    Pelmo::CListCtrlEx* GetGrid() const { return m_pGrid.get(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnCreate();

    // --- single-file mode (QuilletView.cpp) ---

    // --- comparison mode (QuilletViewCompare.cpp) ---

    // --- find (QuilletViewFind.cpp) ---

    CViewHost* m_pHost;
    std::unique_ptr<Pelmo::CListCtrlEx> m_pGrid;
    // --- fields: single-file mode ---
    // --- fields: comparison mode ---
    // --- fields: find ---
};
