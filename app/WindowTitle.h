#pragma once

class CQuilletDoc;
class QWidget;

// The main window's title: the program's name, after the first load the document's title
// too, and a '*' while the document holds changes that are not in its files.
class CWindowTitle {
public:
    CWindowTitle(QWidget* window, const CQuilletDoc* doc) : m_pWindow(window), m_pDoc(doc) {}

    // Whether the title names the document; and the title made anew.
    void ShowDocument(bool bShown);
    // The title made anew, after the document changed.
    void Update();

private:
    QWidget* m_pWindow;
    const CQuilletDoc* m_pDoc;
    bool m_bShown = false;
};
