// quillet-cli through its entry point: exit status, what goes to standard output and error,
// and what happens to the files.
#include "cli/CliMain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

struct Result {
    int status;
    QString out;
    QString err;
};

class Cli : public ::testing::Test {
protected:
    Result Run(const QStringList& args) {
        std::vector<QByteArray> storage{"quillet-cli"};
        for (const QString& arg : args)
            storage.push_back(arg.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& a : storage)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        result.status = CliMain(int(storage.size()), argv.data(), out, err);
        return result;
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(Cli, DumpPrintsOneLinePerEntryOrEmptySection) {
    const QString path =
        Write(u"a.ini"_qs, "; c\r\n[Main]\r\nname=値 = x\r\n[Empty]\r\n[Tail]\r\nk=\r\n");
    const Result r = Run({u"dump"_qs, path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, u"Main\tname\t値 = x\nEmpty\t\t\nTail\tk\t\n"_qs);
    EXPECT_TRUE(r.err.isEmpty());

    const Result json = Run({u"dump"_qs, u"--json"_qs, path});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, u"[\n"
                        "  {\"section\": \"Main\", \"key\": \"name\", \"value\": \"値 = x\"},\n"
                        "  {\"section\": \"Empty\", \"key\": null, \"value\": null},\n"
                        "  {\"section\": \"Tail\", \"key\": \"k\", \"value\": \"\"}\n"
                        "]\n"_qs);
}

TEST_F(Cli, DumpJsonEscapesWhatJsonCannotHoldLiterally) {
    const QString path = Write(u"q.ini"_qs, "[S]\r\nk=say \"hi\" \\ \t end\r\n");
    const Result r = Run({u"dump"_qs, path, u"--json"_qs});
    EXPECT_EQ(r.out, u"[\n  {\"section\": \"S\", \"key\": \"k\", "
                     "\"value\": \"say \\\"hi\\\" \\\\ \\t end\"}\n]\n"_qs);
    EXPECT_EQ(Run({u"dump"_qs, u"--json"_qs, Write(u"e.ini"_qs, "")}).out, u"[]\n"_qs);
}

TEST_F(Cli, LoadErrorsGoToStandardErrorWithStatusTwo) {
    const QString dup = Write(u"dup.ini"_qs, "[Sec]\r\n[ＳＥＣ]\r\n[sec]\r\n");
    const QString good = Write(u"good.ini"_qs, "[A]\r\nx=1\r\n");
    // Fullwidth letters fold to fullwidth ones, never to ASCII: the third name is the duplicate.
    const Result dump = Run({u"dump"_qs, dup});
    EXPECT_EQ(dump.status, 2);
    EXPECT_TRUE(dump.out.isEmpty());
    EXPECT_EQ(dump.err, u"quillet-cli: 同一セクションが複数存在します[sec]\n"_qs);

    EXPECT_EQ(Run({u"compare"_qs, dup, good}).err,
              u"quillet-cli: 1:同一セクションが複数存在します[sec]\n"_qs);
    const Result second = Run({u"compare"_qs, good, dup});
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.err, u"quillet-cli: 2:同一セクションが複数存在します[sec]\n"_qs);

    const QString missing = dir.filePath(u"missing.ini"_qs);
    const Result none = Run({u"compare"_qs, good, missing});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, u"quillet-cli: no such file: "_qs + missing + u'\n');
    EXPECT_EQ(Run({u"dump"_qs, dir.path()}).status, 2); // a folder is no INI file either

    QByteArray many;
    for (int i = 0; i < 300; ++i)
        many += "[Section" + QByteArray::number(i) + "]\r\n";
    const Result big = Run({u"dump"_qs, Write(u"many.ini"_qs, many)});
    EXPECT_EQ(big.status, 2);
    EXPECT_EQ(big.err, u"quillet-cli: バッファ不足です\n"_qs);
}

TEST_F(Cli, ComparePrintsRowsMarksDifferencesAndExitsLikeDiff) {
    const QString one = Write(u"1.ini"_qs, "[S]\r\nx=1\r\ny=2\r\nsame=v\r\n[Only1]\r\n");
    const QString two = Write(u"2.ini"_qs, "[s]\r\nX=1\r\nsame=V\r\nz=3\r\n[Both]\r\n");
    const Result r = Run({u"compare"_qs, one, two});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, u"S\tx\t1\t\ts\tX\t1\n"
                     "S\ty\t2\t○\ts\t\t\n"
                     "S\tsame\tv\t○\ts\tsame\tV\n"
                     "S\t\t\t○\ts\tz\t3\n"
                     "Only1\t\t\t○\t\t\t\n"
                     "\t\t\t○\tBoth\t\t\n"_qs);

    const Result json = Run({u"compare"_qs, u"--json"_qs, one, two});
    EXPECT_EQ(json.status, 1);
    const QStringList lines = json.out.split(u'\n');
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[1], u"  {\"section1\": \"S\", \"key1\": \"x\", \"value1\": \"1\", "
                        "\"differs\": false, \"section2\": \"s\", \"key2\": \"X\", "
                        "\"value2\": \"1\"},"_qs);
    EXPECT_EQ(lines[2], u"  {\"section1\": \"S\", \"key1\": \"y\", \"value1\": \"2\", "
                        "\"differs\": true, \"section2\": \"s\", \"key2\": null, "
                        "\"value2\": null},"_qs);
    EXPECT_EQ(lines[6], u"  {\"section1\": null, \"key1\": null, \"value1\": null, "
                        "\"differs\": true, \"section2\": \"Both\", \"key2\": null, "
                        "\"value2\": null}"_qs);

    const QString copy = Write(u"copy.ini"_qs, Read(one));
    const Result same = Run({u"compare"_qs, one, copy});
    EXPECT_EQ(same.status, 0);
    EXPECT_FALSE(same.out.contains(u"○"_qs));
    // Sections present on both sides without entries do not differ.
    EXPECT_TRUE(same.out.contains(u"Only1\t\t\t\tOnly1\t\t\n"_qs));
}

TEST_F(Cli, SetChangesOneKeyAndLeavesEveryOtherByte) {
    const QByteArray original = "; keep me\r\n[Main]\r\nname = old\r\n;name=comment\r\nsize=1\r\n";
    const QString path = Write(u"set.ini"_qs, original);
    const Result r = Run({u"set"_qs, path, u" MAIN "_qs, u"NAME"_qs, u"  新しい値 "_qs});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QByteArray expected = original;
    expected.replace("name = old", "name = 新しい値");
    EXPECT_EQ(Read(path), expected);

    // A value that looks like an option, and a missing entry and section.
    EXPECT_EQ(Run({u"set"_qs, path, u"Main"_qs, u"size"_qs, u"-1"_qs}).status, 0);
    EXPECT_EQ(Run({u"set"_qs, path, u"New"_qs, u"empty"_qs, QString()}).status, 0);
    expected.replace("size=1", "size=-1");
    expected += "[New]\r\nempty=\r\n";
    EXPECT_EQ(Read(path), expected);
    EXPECT_EQ(Run({u"dump"_qs, path}).out,
              u"Main\tname\t新しい値\nMain\tsize\t-1\nNew\tempty\t\n"_qs);
}

TEST_F(Cli, SetRefusesBadNamesCreatesMissingFilesAndReportsFailedWrites) {
    const QString path = Write(u"r.ini"_qs, "[A]\r\nx=1\r\n");
    const Result semicolon = Run({u"set"_qs, path, u"A"_qs, u" ;x"_qs, u"1"_qs});
    EXPECT_EQ(semicolon.status, 2);
    EXPECT_EQ(semicolon.err, u"quillet-cli: エントリの先頭にセミコロンは使用できません\n"_qs);
    EXPECT_EQ(Run({u"set"_qs, path, u" "_qs, u"k"_qs, u"1"_qs}).err,
              u"quillet-cli: セクションを入力してください\n"_qs);
    EXPECT_EQ(Run({u"set"_qs, path, u"A"_qs, u""_qs, u"1"_qs}).err,
              u"quillet-cli: エントリを入力してください\n"_qs);
    EXPECT_EQ(Read(path), QByteArray("[A]\r\nx=1\r\n"));

    const QString created = dir.filePath(u"created.ini"_qs);
    EXPECT_EQ(Run({u"set"_qs, created, u"A"_qs, u"k"_qs, u"1"_qs}).status, 0);
    EXPECT_EQ(Read(created), QByteArray("[A]\r\nk=1\r\n"));

    const Result failed =
        Run({u"set"_qs, dir.filePath(u"no/dir/x.ini"_qs), u"A"_qs, u"k"_qs, u"1"_qs});
    EXPECT_EQ(failed.status, 2);
    EXPECT_TRUE(failed.err.contains(u"could not write"_qs));
}

TEST_F(Cli, HelpAndBadArguments) {
    for (const QString& command : {u"dump"_qs, u"compare"_qs, u"set"_qs}) {
        const Result help = Run({command, u"--help"_qs});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.startsWith(u"usage: quillet-cli "_qs + command))
            << command.toStdString();
        EXPECT_TRUE(help.err.isEmpty());
    }
    EXPECT_EQ(Run({u"--help"_qs}).status, 0);
    for (const QString& version : {u"--version"_qs, u"-v"_qs}) {
        const Result r = Run({version});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(
            QRegularExpression(u"^quillet-cli \\d+\\.\\d+\\.\\d+\n$"_qs).match(r.out).hasMatch())
            << r.out.toStdString();
    }

    const QString file = Write(u"x.ini"_qs, "[A]\r\n");
    for (const QStringList& args :
         {QStringList{}, QStringList{u"frobnicate"_qs}, QStringList{u"dump"_qs},
          QStringList{u"dump"_qs, file, file}, QStringList{u"dump"_qs, u"--xml"_qs, file},
          QStringList{u"compare"_qs, file}, QStringList{u"set"_qs, u"--json"_qs, file},
          QStringList{u"set"_qs, file, u"A"_qs, u"k"_qs}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"usage: quillet-cli"_qs)) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(Read(file), QByteArray("[A]\r\n"));
}

TEST_F(Cli, TheProgramWritesUtf8) {
    const QString path = Write(u"u.ini"_qs, "[設定]\r\n名前=値\r\n");
    QProcess process;
    process.start(QStringLiteral(QUILLET_CLI_PATH), {u"dump"_qs, path});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("設定\t名前\t値\n"));

    process.start(QStringLiteral(QUILLET_CLI_PATH), {u"dump"_qs});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().startsWith("quillet-cli: dump takes 1 argument"));
}

} // namespace
