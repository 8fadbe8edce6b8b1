#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class CIniCompare;
class CIniData;
class CIniMerge;
class CQuilletView;
class CViewHost;
class QWidget;

// The one document of the run: what the main window shows (one INI file or one comparison,
// never both) and the column widths the view keeps between loads. Nothing is read or written
// through the document itself; files go through the INI model only.
class CQuilletDoc {
public:
    CQuilletDoc();
    ~CQuilletDoc();
    CQuilletDoc(const CQuilletDoc&) = delete;
    CQuilletDoc& operator=(const CQuilletDoc&) = delete;

    // The main window the document's own messages go to; null while there is none.
    void SetFrame(CViewHost* frame) { m_pFrame = frame; }
    void AddView(CQuilletView* view);
    void RemoveView(CQuilletView* view);

    // Empties the document for a new content and forgets its title.
    void OnNewDocument();
    // Hint 0 to the views (they keep their column widths and empty the grid), then message
    // 1025 to the main window (the preview empties), then the content goes.
    void DeleteContents();
    // Delivers a hint to every view but the sender; object is the hint's object.
    void UpdateAllViews(QWidget* sender, int hint, quintptr object);
    // Told of every hint after the views, for what shows around them.
    void SetUpdateListener(std::function<void(int hint)> listener) {
        m_onUpdate = std::move(listener);
    }

    bool HasContent() const { return m_pIniData || m_pCompare; }
    // Save, add and reload need a content; open, compare and value-list management do not.
    bool IsCommandEnabled(int commandId) const;

    // Whether some value differs from what its file holds, or a section or an entry has been
    // added and not yet written.
    bool HasUnsavedChanges() const;
    static bool HasUnsavedChanges(const CIniData& ini);
    // "[section] key" of every entry that still needs writing, in model order.
    static QStringList UnwrittenEntries(const CIniData& ini);
    // Puts every value of saved that still needs writing into fresh, the same file read again
    // after the save: as a changed value where fresh has the entry, else as an added entry.
    static void CarryUnwritten(const CIniData& saved, CIniData& fresh);

    void SetTitle(const QString& title) { m_strTitle = title; }
    const QString& GetTitle() const { return m_strTitle; }

    std::map<int, int> m_mapWidth{{0, 200}, {1, 200}, {2, 250}, {3, 250}};
    std::map<int, int> m_mapCompareWidth{{0, 200}, {1, 200}, {2, 250}, {3, 50},
                                         {4, 200}, {5, 200}, {6, 250}};
    std::unique_ptr<CIniData> m_pIniData;
    std::unique_ptr<CIniCompare> m_pCompare;
    // A merge shown on top of the comparison: its base, and the merge of base, ours
    // (m_pCompare's file 1) and theirs (file 2). Null outside merge mode.
    std::unique_ptr<CIniData> m_pMergeBase;
    std::unique_ptr<CIniMerge> m_pMerge;

private:
    CViewHost* m_pFrame = nullptr;
    std::vector<CQuilletView*> m_views;
    std::function<void(int hint)> m_onUpdate;
    QString m_strTitle;
};
