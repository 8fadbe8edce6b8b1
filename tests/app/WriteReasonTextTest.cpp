// The window tells the writer's reasons in Japanese; each is made by a real failed write.

#include "app/WriteReasonText.h"
#include "platform/ProfileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(WriteReasonTextTest, EveryRefusedWriteSaysWhyInJapanese) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString readOnly = dir.filePath("ro.ini");
    Put(readOnly, "[s]\nk=v\n");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QString damaged = dir.filePath("odd.ini");
    Put(damaged, QByteArray("\xFF\xFE[\0s\0]", 7));
    QDir(dir.path()).mkdir("folder.ini");
    const struct {
        const char* name;
        QString path;
        QString key;
        QString expected;
    } cases[] = {
        {"read-only file", readOnly, "k", "書き込む権限がありません"},
        {"missing folder", dir.filePath("none/a.ini"), "k", "ファイルまたはフォルダーがありません"},
        {"a folder", dir.filePath("folder.ini"), "k", "通常のファイルではありません"},
        {"damaged UTF-16", damaged, "k", "ファイルが壊れています (UTF-16 のバイト数が奇数です)"},
        {"'=' in the key", dir.filePath("new.ini"), "a=b",
         "ファイルの構造が変わるため書けません (改行、キーの「=」、「[」で始まるキー、セクション名"
         "の「]」)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(CProfileWriter::Write(u"s", c.key, u"x", c.path));
        EXPECT_EQ(CWriteReasonText::Japanese(CProfileWriter::LastError()), c.expected);
    }
    // A system error no table knows still says that it is one.
    EXPECT_EQ(CWriteReasonText::Japanese("Something new"), "システムのエラー: Something new");
}
