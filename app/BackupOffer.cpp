#include "app/BackupOffer.h"

#include "platform/FileReplacer.h"
#include "platform/ui/MessageBox.h"

#include <QDir>

namespace {

const QString kCaption = QStringLiteral("Quillet");

} // namespace

bool CBackupOffer::AfterLoad(QWidget* parent, const QString& path, const QString& errorText) {
    const QString backup = CFileReplacer::InterruptedBackup(path);
    if (backup.isEmpty()) {
        if (!errorText.isEmpty())
            Ui::MessageBox(parent, errorText, kCaption, Ui::MB_OK | Ui::MB_ICONERROR);
        return false;
    }
    // A load error already names the copy; a file that did read may be damaged all the same.
    const QString what =
        errorText.isEmpty()
            ? QStringLiteral("中断された保存のバックアップがファイルの横にあります: %1\n"
                             "ファイルが壊れているかもしれません。")
                  .arg(QDir::toNativeSeparators(backup))
            : errorText;
    const QString question =
        what + QStringLiteral("\n\nバックアップでファイルを置き換えますか？\n"
                              "今のファイルの内容は %1.damaged-日時 として残します。")
                   .arg(QFileInfo(path).fileName());
    if (Ui::MessageBox(parent, question, kCaption,
                       Ui::MB_YESNO | Ui::MB_ICONWARNING | Ui::MB_DEFBUTTON2) != Ui::IDYES)
        return false;
    return Restore(parent, path, backup);
}

bool CBackupOffer::Restore(QWidget* parent, const QString& path, const QString& backup) {
    QString damaged;
    QString reason;
    if (!CFileReplacer::RestoreBackup(path, backup, damaged, reason)) {
        Ui::MessageBox(parent,
                       QStringLiteral("バックアップを戻せませんでした: %1\nバックアップは %2 に"
                                      "残っています。")
                           .arg(reason, QDir::toNativeSeparators(backup)),
                       kCaption, Ui::MB_OK | Ui::MB_ICONERROR);
        return false;
    }
    Ui::MessageBox(
        parent,
        QStringLiteral("バックアップを戻しました。壊れていた内容は %1 に残してあります。")
            .arg(QDir::toNativeSeparators(damaged)),
        kCaption, Ui::MB_OK | Ui::MB_ICONINFORMATION);
    return true;
}
