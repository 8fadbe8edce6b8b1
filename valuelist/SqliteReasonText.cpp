#include "valuelist/SqliteReasonText.h"

#include <sqlite3.h>

namespace {

struct CodeText {
    int code;
    const char16_t* text;
};

constexpr CodeText kTexts[] = {
    {SQLITE_ERROR, u"データベースの操作に失敗しました"},
    {SQLITE_INTERNAL, u"SQLite の内部エラーです"},
    {SQLITE_PERM, u"データベースへのアクセスが許可されていません"},
    {SQLITE_ABORT, u"データベースの処理が中止されました"},
    {SQLITE_BUSY, u"データベースを他のプログラムが使用中です"},
    {SQLITE_LOCKED, u"データベースのテーブルがロックされています"},
    {SQLITE_NOMEM, u"メモリが足りません"},
    {SQLITE_READONLY, u"データベースは読み取り専用で、書き込めません"},
    {SQLITE_INTERRUPT, u"データベースの処理が中断されました"},
    {SQLITE_IOERR, u"データベースのファイルの読み書きに失敗しました"},
    {SQLITE_CORRUPT, u"データベースのファイルが壊れています"},
    {SQLITE_NOTFOUND, u"データベースの機能が見つかりません"},
    {SQLITE_FULL, u"ディスクがいっぱいで、データベースに書き込めません"},
    {SQLITE_CANTOPEN, u"データベースのファイルを開けません"},
    {SQLITE_PROTOCOL, u"データベースのロックに失敗しました"},
    {SQLITE_EMPTY, u"データベースが空です"},
    {SQLITE_SCHEMA, u"データベースの構造が途中で変わりました"},
    {SQLITE_TOOBIG, u"文字列またはデータが大きすぎます"},
    {SQLITE_CONSTRAINT, u"データベースの制約に反します"},
    {SQLITE_MISMATCH, u"データの型が合いません"},
    {SQLITE_MISUSE, u"データベースの使い方が誤っています"},
    {SQLITE_NOLFS, u"大きなファイルを扱えないシステムです"},
    {SQLITE_AUTH, u"データベースの使用が認められていません"},
    {SQLITE_FORMAT, u"データベースの形式が正しくありません"},
    {SQLITE_RANGE, u"パラメーターの番号が範囲外です"},
    {SQLITE_NOTADB, u"データベースのファイルではありません"},
};

} // namespace

QString CSqliteReasonText::Japanese(int resultCode) {
    const int primary = resultCode & 0xff;
    for (const CodeText& known : kTexts) {
        if (known.code == primary)
            return QStringLiteral("%1 (SQLite %2)")
                .arg(QString::fromUtf16(known.text))
                .arg(resultCode);
    }
    return QStringLiteral("データベースのエラーです (SQLite %1)").arg(resultCode);
}
