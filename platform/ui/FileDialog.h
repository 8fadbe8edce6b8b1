#pragma once

#include <QString>
#include <functional>

class QWidget;

// The program's file dialogs, for opening and for saving. Tests replace them with
// SetFileDialogHook.
namespace Ui {

struct FileOpenRequest {
    QWidget* parent = nullptr;
    QString filter;        // Windows form: "INIファイル (*.ini)|*.ini||"
    QString defaultSuffix; // "ini"
    QString title;         // the dialog's own ("開く") when empty
    QString acceptText;    // the accept button's caption; the dialog's own when empty
    QString checkBoxText;  // an extra check box under the file list when not empty
    bool checkBoxChecked = false;
    QString directory; // where the dialog starts; empty: the current directory
    bool save = false; // set by GetSaveFileName
    QString fileName;  // the name proposed when saving
};

struct FileOpenResult {
    bool accepted = false;
    QString path; // absolute, native separators
    bool checkBoxChecked = false;
};

using FileDialogHook = std::function<FileOpenResult(const FileOpenRequest&)>;

// Asks for one existing file.
FileOpenResult GetOpenFileName(const FileOpenRequest& request);
// Asks for a file to write, proposing request.fileName; an existing file is overwritten only
// when the user agrees.
FileOpenResult GetSaveFileName(FileOpenRequest request);
// Replaces the dialog; an empty hook restores the real one. Returns the previous hook.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
// "desc|pattern|desc|pattern||" as Qt's "desc (pattern);;desc (pattern)".
QString QtFilterFromWindows(const QString& filter);

} // namespace Ui
