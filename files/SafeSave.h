// Replacing a data file without ever losing the old one before the new one is complete.
#pragma once

#include <QIODevice>
#include <QString>

#include <cstdint>
#include <functional>

namespace filesave {

// The name of the backup copy: the file's extension replaced by ".bak".
QString BackupName(const QString& name);

// Writes `name` through `writeContent` into a temporary file in the same folder, then, when the
// file exists, moves the old one to its ".bak" name (`backup`) and renames the new one in place.
// `writeContent` returns false on a write failure. Reports the outcome through code and message
// (0 and empty on success) and returns code == 0.
bool SaveReplacing(const QString& name, bool overwrite, bool backup,
                   const std::function<bool(QIODevice&)>& writeContent, int32_t& code, QString& message);

} // namespace filesave
