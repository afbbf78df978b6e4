// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace AtomicFile {

// Replaces the file at `path` with `data` through a temporary file in the same folder, so readers see either the
// old or the new content. On any failure the old file is left as it was and `error` (if given) says why.
bool write(const QString& path, const QByteArray& data, QString* error = nullptr);

// Test seam: replaces the call that writes the bytes into the temporary file. Returns the byte count written,
// like QIODevice::write. Pass an empty function to restore the real write.
using WriteFunction = std::function<qint64(QIODevice& device, const QByteArray& data)>;
void setWriteFunctionForTesting(WriteFunction function);

} // namespace AtomicFile
