#include "SystemInfoTool.h"

#include "frmAbout.h"

#include <registry/Registry.h>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace SystemInfoTool {

QStringList candidates()
{
    // HardInfo and the KDE Info Center show the whole system; lshw-gtk the
    // hardware at least.
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"), QStringLiteral("lshw-gtk")};
}

QString find(const QStringList& folders)
{
    QStringList search = folders;
    if (search.isEmpty()) {
        search = QProcessEnvironment::systemEnvironment()
                     .value(QStringLiteral("PATH"))
                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
        // lshw-gtk lives with the administrator's programs.
        for (const char* extra : {"/usr/sbin", "/sbin"})
            if (!search.contains(QLatin1String(extra)))
                search << QString::fromLatin1(extra);
    }
    for (const QString& name : candidates()) {
        for (const QString& folder : search) {
            const QFileInfo program(QDir(folder).filePath(name));
            if (program.isFile() && program.isExecutable())
                return program.absoluteFilePath();
        }
    }
    return {};
}

bool record(const QString& program)
{
    return plat::RegSetString(plat::HKEY_LOCAL_MACHINE, frmAbout::sysInfoKey().toStdString(),
                              frmAbout::sysInfoValue().toStdString(), program.toStdString())
        == plat::ERROR_SUCCESS;
}

} // namespace SystemInfoTool
