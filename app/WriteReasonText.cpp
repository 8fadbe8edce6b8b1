#include "app/WriteReasonText.h"

#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"
#include "platform/ProfileEditRules.h"
#include "platform/ProfileWriter.h"

#include <cerrno>
#include <cstring>

namespace {

// A reason made of a fixed lead and what it is about (a path, a name, a system error).
struct LeadText {
    const char16_t* english;
    const char16_t* japanese;
};

constexpr LeadText kFixed[] = {
    {u"not a regular file", u"通常のファイルではありません"},
    {u"the file is too large", u"ファイルが大きすぎます"},
    {u"the file kept changing during the write", u"書き込みの間にファイルが変わり続けました"},
    {u"the file was changed by another program meanwhile",
     u"その間にファイルが他のプログラムで変更されました"},
    {u"the lock on the folder could not be had: another write holds it",
     u"フォルダーのロックを取得できません: 別の書き込みが使用中です"},
};

constexpr LeadText kLeads[] = {
    {u"the name cannot be represented exactly in the system's encoding: ",
     u"ファイル名をシステムの文字コードで正確に表せません: "},
    {u"the lock on the folder could not be had: ", u"フォルダーのロックを取得できません: "},
};

constexpr char16_t kInterruptedLead[] = u"a backup of an interrupted save is beside the file: ";
constexpr char16_t kInterruptedAdvice[] =
    u"; compare the two, copy the backup over the file if the file is damaged, then delete the "
    u"backup";
constexpr char16_t kKeptIn[] = u"; the old text is kept in ";

struct SystemText {
    int error;
    const char16_t* japanese;
};

constexpr SystemText kSystem[] = {
    {EACCES, u"書き込む権限がありません"},
    {EPERM, u"操作が許可されていません"},
    {ENOENT, u"ファイルまたはフォルダーがありません"},
    {ENOSPC, u"ディスクの空きが足りません"},
    {EDQUOT, u"ディスクの使用量の上限を超えます"},
    {EROFS, u"読み取り専用のファイルシステムです"},
    {EIO, u"入出力エラーが起きました"},
    {EISDIR, u"フォルダーです"},
    {ENOTDIR, u"パスの途中がフォルダーではありません"},
    {EBUSY, u"使用中です"},
    {ETXTBSY, u"使用中です"},
    {EMFILE, u"開いているファイルが多すぎます"},
    {ENFILE, u"開いているファイルが多すぎます"},
    {ENAMETOOLONG, u"ファイル名が長すぎます"},
    {ELOOP, u"シンボリックリンクの段数が多すぎます"},
    {EFBIG, u"ファイルが大きすぎます"},
    {ENOMEM, u"メモリが足りません"},
    {EINTR, u"中断されました"},
    {EAGAIN, u"一時的に使えません"},
    {EXDEV, u"別のファイルシステムには移せません"},
};

QString Utf16(const char16_t* text) {
    return QString::fromUtf16(text);
}

// The encoding a refusal by the encoding names, empty for a reason that is not one.
QString RefusingEncoding(const QString& reason) {
    if (reason == ProfileEditRules::EncodingReason(CTextCodec::Encoding::Cp932))
        return QStringLiteral("CP932");
    if (reason == ProfileEditRules::EncodingReason(CTextCodec::Encoding::Utf8))
        return QStringLiteral("このファイルの文字コード");
    return QString();
}

} // namespace

QString CWriteReasonText::Unencodable(const QString& character, const QString& encoding,
                                      const QString& key) {
    return QStringLiteral("「%1」は %2 で書けません (キー%3)").arg(character, encoding, key);
}

QString CWriteReasonText::ForEntry(const QString& reason, const CIniEntryData& entry,
                                   const QString& path) {
    const QString encoding = RefusingEncoding(reason);
    if (encoding.isEmpty())
        return Japanese(reason);
    // What a write puts into the file: the value, and for a new entry its key and section.
    for (const QString& text : {entry.Value(), entry.Key(), entry.m_pSection->m_name}) {
        const QString character = CProfileWriter::FirstUnheld(path, text);
        if (!character.isEmpty())
            return Unencodable(character, encoding, entry.Key());
    }
    return Japanese(reason);
}

QString CWriteReasonText::Japanese(const QString& reason) {
    if (reason == ProfileEditRules::StructureReason())
        return QStringLiteral("ファイルの構造が変わるため書けません (改行、キーの「=」、「[」で始"
                              "まるキー、セクション名の「]」)");
    if (reason == ProfileEditRules::DamagedReason())
        return QStringLiteral("ファイルが壊れています (UTF-16 のバイト数が奇数です)");
    if (const QString encoding = RefusingEncoding(reason); !encoding.isEmpty())
        return QStringLiteral("%1 で書けない文字があります").arg(encoding);
    for (const LeadText& fixed : kFixed) {
        if (reason == Utf16(fixed.english))
            return Utf16(fixed.japanese);
    }
    if (reason.startsWith(Utf16(kInterruptedLead))) {
        QString copy = reason.mid(Utf16(kInterruptedLead).size());
        copy.chop(copy.endsWith(Utf16(kInterruptedAdvice)) ? Utf16(kInterruptedAdvice).size() : 0);
        return QStringLiteral("中断された保存のバックアップがファイルの横にあります: %1\n"
                              "二つを比べ、ファイルが壊れていればバックアップをファイルに"
                              "上書きしてから、バックアップを削除してください")
            .arg(copy);
    }
    if (const qsizetype kept = reason.lastIndexOf(Utf16(kKeptIn)); kept >= 0) {
        return Japanese(reason.left(kept)) + QStringLiteral("。元の内容は %1 に残っています")
                                                 .arg(reason.mid(kept + Utf16(kKeptIn).size()));
    }
    for (const LeadText& lead : kLeads) {
        if (reason.startsWith(Utf16(lead.english))) {
            const QString rest = reason.mid(Utf16(lead.english).size());
            // The lock's lead is followed by a system error, the name's by a part of a path.
            return Utf16(lead.japanese) + (&lead == &kLeads[1] ? SystemError(rest) : rest);
        }
    }
    return SystemError(reason);
}

QString CWriteReasonText::SystemError(const QString& reason) {
    for (const SystemText& known : kSystem) {
        if (reason == QString::fromLocal8Bit(std::strerror(known.error)))
            return Utf16(known.japanese);
    }
    return QStringLiteral("システムのエラー: ") + reason;
}
