#pragma once

#include "cli/CliMain.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <vector>

// quillet-cli's entry point run in the test process: exit status and both streams.
struct CliResult {
    int status;
    QString out;
    QString err;
};

// Arguments as raw bytes, as a shell passes them.
inline CliResult RunCliRaw(const std::vector<QByteArray>& args) {
    std::vector<QByteArray> storage{"quillet-cli"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    CliResult result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.status = CliMain(int(storage.size()), argv.data(), out, err);
    return result;
}

inline CliResult RunCli(const QStringList& args) {
    std::vector<QByteArray> raw;
    for (const QString& arg : args)
        raw.push_back(QFile::encodeName(arg));
    return RunCliRaw(raw);
}
