#include "cli/CliLoad.h"

#include "ini/IniData.h"

#include <QFileInfo>
#include <QTextStream>

std::unique_ptr<CIniData> LoadIni(const QString& path, const QString& prefix, QTextStream& err,
                                  bool mustExist) {
    if (mustExist && !QFileInfo::exists(path)) {
        err << "quillet-cli: no such file: " << path << '\n';
        return nullptr;
    }
    auto ini = std::make_unique<CIniData>();
    QString errorText;
    if (!ini->Load(QFileInfo(path).absoluteFilePath(), errorText)) {
        err << "quillet-cli: " << prefix << errorText << '\n';
        return nullptr;
    }
    for (const CIniData::SkippedSection& skipped : ini->SkippedSections())
        err << "quillet-cli: section [" << skipped.name
            << "] left out: larger than the section buffer\n";
    return ini;
}
