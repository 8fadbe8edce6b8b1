#pragma once

#include "app/ItemFirstLines.h"

#include <QFont>
#include <QWidget>
#include <vector>

class CIniCompare;
class CIniData;
class CObject;
class CPreviewText;

// The preview bar (dialog 310) at the top of the main window: the raw text of the open file
// (box 1002), or of the two compared files side by side (boxes 1005 and 1006), with the line
// of the section or entry selected in the grid highlighted. Each box has a line map: for every
// text line, the section or entry it shows, or null.
class CPreviewDlgBar : public QWidget {
    Q_OBJECT
public:
    using LineMap = std::vector<const CObject*>;

    explicit CPreviewDlgBar(QWidget* parent = nullptr);
    ~CPreviewDlgBar() override;

    // Shows the file in box 1002 alone; null hides the box.
    void SetIni(const CIniData* ini);
    // Shows file 1 in box 1005 and file 2 in box 1006; null hides both.
    void SetCompare(const CIniCompare* compare);
    // Highlights the line of a section or entry in one box (Res::IDC_PREVIEW*).
    void ShowItem(int editId, const CObject* item);
    // Empties the line maps, hides the boxes and clears their text.
    void Clear();

    CPreviewText* Edit(int editId) const;
    const LineMap& GetLineMap(int editId) const;

    // Lines longer than this many characters are cut.
    static constexpr int kMaxLineLength = 1024;

private:
    // One text box with what its lines show and, for each item shown, its first line.
    struct Box {
        CPreviewText* edit = nullptr;
        LineMap lineMap;
        CItemFirstLines firstLines;
    };

    Box* BoxOf(int editId);
    void LoadPreview(Box& box, const CIniData& ini);
    static void ShowItem(Box& box, const CObject* item);
    // What the highlighted line lacks of the grid's value: "未保存: VALUE"; empty for nothing.
    static QString UnsavedNote(const CObject* item);
    static void ClearBox(Box& box);

    Box m_single;
    Box m_left;
    Box m_right;
};
