// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>

// Points XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at fresh temporary folders for as long as it lives,
// so a test never touches the real user's files.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    bool isValid() const { return m_root.isValid(); }
    QString root() const { return m_root.path(); }
    QString dataHome() const { return m_root.path() + QStringLiteral("/data"); }
    QString configHome() const { return m_root.path() + QStringLiteral("/config"); }
    QString appFolder() const { return dataHome() + QStringLiteral("/vantro"); }
    QString settingsFile() const { return configHome() + QStringLiteral("/vantro/vantro.conf"); }

    static QByteArray readFile(const QString& path);
    static bool writeFile(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir m_root;
    QByteArray m_savedData, m_savedConfig, m_savedRuntime;
};

// A picture of one colour, for the tests that copy, attach, save or capture one.
inline QImage filledImage(int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}
