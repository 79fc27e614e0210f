#include "FontSubstitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace FontSubstitutes {
namespace {

struct Mapping {
    const char* design;
    const char* lookAlikes[2];
};

// Liberation Sans first: its widths are closest to the old bitmap sans, so
// captions fit the controls they were sized for.
constexpr Mapping kMappings[] = {
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"Lucida Handwriting", {"Z003", "URW Chancery L"}},
};

// hasFamily also finds a family that is installed from more than one
// foundry, which the database lists only as "Family [foundry]".
bool isInstalled(const QString& family) { return QFontDatabase::hasFamily(family); }

} // namespace

void install()
{
    for (const Mapping& m : kMappings) {
        const QString design = QString::fromLatin1(m.design);
        if (!QFont::substitutes(design).isEmpty())
            continue;
        QStringList lookAlikes;
        for (const char* name : m.lookAlikes)
            lookAlikes << QString::fromLatin1(name);
        QFont::insertSubstitutions(design, lookAlikes);
    }
}

bool isAvailable(const QString& family)
{
    if (family.trimmed().isEmpty())
        return false;
    if (isInstalled(family))
        return true;
    for (const QString& sub : QFont::substitutes(family)) {
        if (isInstalled(sub))
            return true;
    }
    return false;
}

} // namespace FontSubstitutes
