#include "platform/ui/FileDialog.h"

#include "platform/SystemPath.h"
#include "platform/ui/MessageBox.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStringList>
#include <QTreeView>
#include <utility>

namespace Ui {

namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

// The extra check box needs Qt's own dialog: a platform dialog cannot take a widget.
void AddCheckBox(QFileDialog& dialog, QCheckBox* box) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
}

// Qt's own dialog opens so small that its date column is cut ("9 Dec ...:14:03"), more so in
// Japanese. It opens larger, within the screen, with the size, type and date columns as wide as
// their texts and the name taking the rest. A platform's dialog sizes itself.
constexpr QSize kRoomySize(960, 600);

void GiveColumnsRoom(QFileDialog& dialog, const QWidget* parent) {
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QSize available = screen->availableGeometry().size();
        dialog.resize(kRoomySize.boundedTo(available * 0.9));
    }
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

// The dialog shows a name whose bytes are not valid text with U+FFFD in their place: the path
// it answers with would name another file. The user is told and picks again.
bool RefusedAsInexact(QWidget* parent, const QString& chosen) {
    const QString inexact = CSystemPath::InexactPart(chosen);
    if (inexact.isEmpty())
        return false;
    MessageBox(parent, CSystemPath::RefusalText(inexact), QStringLiteral("Quillet"),
               MB_OK | MB_ICONWARNING);
    return true;
}

FileOpenResult ShowRealDialog(const FileOpenRequest& request) {
    QFileDialog dialog(request.parent);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setNameFilter(QtFilterFromWindows(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    if (!request.acceptText.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.acceptText);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    QCheckBox* box = nullptr;
    if (!request.checkBoxText.isEmpty()) {
        box = new QCheckBox(request.checkBoxText, &dialog);
        box->setChecked(request.checkBoxChecked);
        AddCheckBox(dialog, box);
    }
    GiveColumnsRoom(dialog, request.parent);
    FileOpenResult result;
    QString chosen;
    do {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return result;
        chosen = dialog.selectedFiles().constFirst();
    } while (RefusedAsInexact(&dialog, chosen));
    result.accepted = true;
    result.path = QDir::toNativeSeparators(chosen);
    result.checkBoxChecked = box && box->isChecked();
    return result;
}

} // namespace

QString QtFilterFromWindows(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString& desc = parts[i];
        filters << (desc.contains(QLatin1Char('(') + patterns + QLatin1Char(')'))
                        ? desc
                        : desc + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

FileOpenResult GetOpenFileName(const FileOpenRequest& request) {
    if (Hook())
        return Hook()(request);
    return ShowRealDialog(request);
}

FileOpenResult GetSaveFileName(FileOpenRequest request) {
    request.save = true;
    return GetOpenFileName(request);
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

} // namespace Ui
