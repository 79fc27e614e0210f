// velnora-install: the editor's install step. Records the platform's system
// information tool in the registry, where the About window's System Info
// button looks for it. Exit status 0 when recorded or when there is none to
// record, 1 when the registry cannot be written.
#include "SystemInfoTool.h"

#include <registry/Registry.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString program = SystemInfoTool::find();
    if (program.isEmpty()) {
        std::printf("velnora-install: no system information tool installed (%s); "
                    "About > System Info will say it is unavailable.\n",
                    qPrintable(SystemInfoTool::candidates().join(QStringLiteral(", "))));
        return 0;
    }
    if (!SystemInfoTool::record(program)) {
        std::fprintf(stderr, "velnora-install: cannot record %s in %s: %s\n", qPrintable(program),
                     plat::RegistryPath().c_str(), plat::RegistryProblem().c_str());
        return 1;
    }
    std::printf("velnora-install: system information tool %s recorded in %s.\n", qPrintable(program),
                plat::RegistryPath().c_str());
    return 0;
}
