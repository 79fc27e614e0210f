#pragma once
// The platform's system information tool, as the install step records it
// for the About window's System Info button. On this platform that is the
// first installed of the desktop's hardware and system profilers.
#include <QString>
#include <QStringList>

namespace SystemInfoTool {

// Program names looked for, best first.
QStringList candidates();

// The full path of the first candidate found in one of the folders (the
// PATH, by default), or empty when none is installed.
QString find(const QStringList& folders = {});

// Records program under the key the About window reads first. False when
// the registry cannot be written.
bool record(const QString& program);

} // namespace SystemInfoTool
