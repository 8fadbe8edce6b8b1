#pragma once

#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <deque>
#include <vector>

// Stands in for the program's message box and file dialog while a test runs: records every
// box shown and answers from a script (IDOK, or the default button, when the script is
// empty), and hands out scripted file-dialog results (cancelled when the script is empty).
// Restores the real ones when it goes out of scope.
class CScriptedBoxes {
public:
    CScriptedBoxes() {
        m_prevBox = Ui::SetMessageBoxHook([this](const Ui::MessageBoxCall& call) {
            m_boxes.push_back(call);
            if (m_answers.empty())
                return DefaultAnswer(call.type);
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
        m_prevFile = Ui::SetFileDialogHook([this](const Ui::FileOpenRequest& request) {
            m_requests.push_back(request);
            if (m_files.empty())
                return Ui::FileOpenResult{};
            Ui::FileOpenResult result = m_files.front();
            m_files.pop_front();
            return result;
        });
    }
    ~CScriptedBoxes() {
        Ui::SetMessageBoxHook(m_prevBox);
        Ui::SetFileDialogHook(m_prevFile);
    }
    CScriptedBoxes(const CScriptedBoxes&) = delete;
    CScriptedBoxes& operator=(const CScriptedBoxes&) = delete;

    void Answer(int id) { m_answers.push_back(id); }
    void ChooseFile(const QString& path, bool checked = false) {
        m_files.push_back({true, path, checked});
    }
    void CancelFile() { m_files.push_back({}); }

    const std::vector<Ui::MessageBoxCall>& Boxes() const { return m_boxes; }
    const std::vector<Ui::FileOpenRequest>& FileRequests() const { return m_requests; }
    QString LastText() const { return m_boxes.empty() ? QString() : m_boxes.back().text; }
    void Clear() { m_boxes.clear(); }

private:
    static int DefaultAnswer(unsigned type) {
        const unsigned buttons = type & 0x000F;
        if (buttons == Ui::MB_YESNO || buttons == Ui::MB_YESNOCANCEL ||
            buttons == Ui::MB_YESNOTHIRD)
            return (type & Ui::MB_DEFBUTTON2) ? Ui::IDNO : Ui::IDYES;
        return Ui::IDOK;
    }

    Ui::MessageBoxHook m_prevBox;
    Ui::FileDialogHook m_prevFile;
    std::deque<int> m_answers;
    std::deque<Ui::FileOpenResult> m_files;
    std::vector<Ui::MessageBoxCall> m_boxes;
    std::vector<Ui::FileOpenRequest> m_requests;
};
