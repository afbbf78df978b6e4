// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnvironment::TestEnvironment()
    : m_savedData(qgetenv("XDG_DATA_HOME")), m_savedConfig(qgetenv("XDG_CONFIG_HOME")),
      m_savedRuntime(qgetenv("XDG_RUNTIME_DIR"))
{
    QDir().mkpath(dataHome());
    QDir().mkpath(configHome());
    QDir().mkpath(root() + QStringLiteral("/runtime"));
    QFile::setPermissions(root() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root() + QStringLiteral("/runtime")).toUtf8());
}

TestEnvironment::~TestEnvironment()
{
    const auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("XDG_DATA_HOME", m_savedData);
    restore("XDG_CONFIG_HOME", m_savedConfig);
    restore("XDG_RUNTIME_DIR", m_savedRuntime);
}

QByteArray TestEnvironment::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestEnvironment::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
