// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"

#include "platform/AppPaths.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr QStringView component = u"Settings";

QString keyName(const SettingKey& key)
{
    return QString::fromLatin1(key.name.data(), qsizetype(key.name.size()));
}

// INI files keep no types: a Boolean comes back as the text "true" or "false". Only those two (or a real bool)
// count as a stored Boolean; anything else is "not a Boolean".
std::optional<bool> storedBoolean(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == u"true")
            return true;
        if (text == u"false")
            return false;
    }
    return std::nullopt;
}

std::optional<qint64> storedInteger(const QVariant& value)
{
    bool ok = false;
    qint64 number = 0;
    if (value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().toLongLong(&ok);
    else if (value.canConvert<qint64>() && value.typeId() != QMetaType::Bool)
        number = value.toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// QSettings takes an unquoted comma for a list separator, so a text setting written by hand as "gpt-4o, mini"
// comes back as two items, and the blanks around the comma are gone by then. Such a value is read again from the
// file with QSettings' own rules for lines, comments, quotes and escapes, except that a comma is plain text.
// Everything QSettings writes itself is quoted around commas and never takes this path.

constexpr qint64 maxRereadFileSize = 8 * 1024 * 1024;

struct IniLine
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1; // the first '=' outside quotes
};

// The next logical line, split as QSettings splits them: it ends at a line break or ';' outside quotes, and a
// backslash carries the byte after it (a line break too) into the line. Blank lines and ';' comments are skipped.
bool nextIniLine(QByteArrayView data, qsizetype& pos, IniLine& line)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    qsizetype start = pos;
    while (start < data.size() && isBlank(data[start]))
        ++start;
    line.equals = -1;
    bool inQuotes = false;
    qsizetype i = start;
    while (i < data.size()) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.equals < 0)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < data.size()) {
                const char escaped = data[i++];
                if (i < data.size() && ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < data.size() && isBlank(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.start = start;
    line.length = i - start;
    return line.length > 0;
}

// The bytes after '=' of the last `name=` line in [General] (or before any section), as QSettings would pick it.
std::optional<QByteArrayView> rawIniValue(QByteArrayView data, QByteArrayView name)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    std::optional<QByteArrayView> found;
    bool general = true;
    qsizetype pos = 0;
    IniLine line;
    while (nextIniLine(data, pos, line)) {
        const QByteArrayView text = data.sliced(line.start, line.length);
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            const QByteArray section = text.sliced(1, (close < 0 ? text.size() : close) - 1).trimmed().toByteArray();
            general = qstricmp(section.constData(), "general") == 0;
            continue;
        }
        if (!general || line.equals < 0)
            continue;
        QByteArrayView key = data.sliced(line.start, line.equals - line.start);
        while (!key.isEmpty() && (key.back() == ' ' || key.back() == '\t'))
            key.chop(1);
        if (key == name)
            found = text.sliced(line.equals + 1 - line.start);
    }
    return found;
}

// QSettings' unescaping of one value: leading blanks skipped, double quotes removed (blanks right after a closing
// quote too), backslash escapes decoded, trailing blanks dropped unless the value was quoted.
QString unescapedIniText(QByteArrayView raw)
{
    static constexpr char simpleEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                                {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                                {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const auto hexValue = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    QString text;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
    };
    skipBlanks();
    qsizetype keep = 0; // trailing blanks are dropped back to here, never into escaped or quoted text
    bool quoted = false;
    bool inQuotes = false;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            keep = text.size();
        } else if (c == '\\') {
            ++i;
            if (i == raw.size()) {
                keep = text.size();
                break;
            }
            const char e = raw[i++];
            const auto simple = std::find_if(std::begin(simpleEscapes), std::end(simpleEscapes),
                                             [e](const char(&pair)[2]) { return pair[0] == e; });
            if (simple != std::end(simpleEscapes)) {
                text += QLatin1Char((*simple)[1]);
            } else if (e == 'x' && i < raw.size() && hexValue(raw[i]) >= 0) {
                char32_t value = 0;
                for (; i < raw.size() && hexValue(raw[i]) >= 0; ++i)
                    value = value * 16 + char32_t(hexValue(raw[i]));
                text += QChar(char16_t(value));
            } else if (e >= '0' && e <= '7') {
                char32_t value = char32_t(e - '0');
                for (; i < raw.size() && raw[i] >= '0' && raw[i] <= '7'; ++i)
                    value = value * 8 + char32_t(raw[i] - '0');
                text += QChar(char16_t(value));
            } else if (e == '\n' || e == '\r') {
                // A line continued with a backslash.
                if (i < raw.size() && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != e)
                    ++i;
            } // any other escaped byte is dropped, as QSettings drops it
            keep = text.size();
        } else {
            qsizetype end = i + 1;
            while (end < raw.size() && raw[end] != '\\' && raw[end] != '"')
                ++end;
            text += QString::fromUtf8(raw.sliced(i, end - i));
            i = end;
        }
    }
    if (!quoted) {
        while (text.size() > keep && (text.back() == u' ' || text.back() == u'\t'))
            text.chop(1);
    }
    if (text.startsWith(QLatin1StringView("@@")))
        text.remove(0, 1);
    return text;
}

QString textWrittenAsList(const QString& path, const SettingKey& key, const QStringList& items)
{
    QFile file(path);
    if (file.size() <= maxRereadFileSize && file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.read(maxRereadFileSize);
        if (const auto value = rawIniValue(data, QByteArrayView(key.name.data(), qsizetype(key.name.size()))))
            return unescapedIniText(*value);
    }
    // The file changed under us or cannot be read again: the items are the best guess left.
    return items.join(QStringLiteral(", "));
}

} // namespace

Settings::Settings(QString filePath, QObject* parent)
    : QObject(parent), m_path(filePath.isEmpty() ? AppPaths::settingsFile() : std::move(filePath))
{
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    if (m_settings->status() == QSettings::FormatError) {
        // Keep the unreadable file; the next write would otherwise replace it with what we could parse.
        m_settings.reset();
        const QString kept = AppPaths::keepAside(m_path);
        logLine(component, QStringLiteral("Could not read %1; kept it as %2 and started with defaults")
                               .arg(m_path, kept.isEmpty() ? QStringLiteral("(failed to move)") : kept));
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }
}

Settings::~Settings() = default;

QVariant Settings::raw(const SettingKey& key) const
{
    return m_settings->value(keyName(key));
}

bool Settings::contains(const SettingKey& key) const
{
    return m_settings->contains(keyName(key));
}

QString Settings::string(const SettingKey& key) const
{
    if (!m_secretValues.isEmpty()) {
        const auto secret = m_secretValues.constFind(keyName(key));
        if (secret != m_secretValues.cend())
            return *secret;
    }
    return fileString(key);
}

QString Settings::fileString(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (!value.isValid())
        return QString::fromLatin1(key.defaultText.data(), qsizetype(key.defaultText.size()));
    if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList)
        return textWrittenAsList(m_path, key, value.toStringList());
    return value.toString();
}

bool Settings::boolean(const SettingKey& key) const
{
    return storedBoolean(raw(key)).value_or(key.defaultNumber != 0);
}

qint64 Settings::integer(const SettingKey& key) const
{
    return storedInteger(raw(key)).value_or(key.defaultNumber);
}

quint32 Settings::hotkeyValue(const SettingKey& key) const
{
    // Only whole numbers that fit an unsigned 32-bit value count; anything else means "not set".
    const auto number = storedInteger(raw(key));
    if (!number || *number < 0 || *number > qint64(0xFFFFFFFFu))
        return 0;
    return quint32(*number);
}

QByteArray Settings::bytes(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    if (value.typeId() == QMetaType::QString)
        return value.toString().toUtf8();
    return {};
}

QStringList Settings::stringList(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (!value.isValid())
        return QString::fromLatin1(key.defaultText.data(), qsizetype(key.defaultText.size()))
            .split(u',', Qt::SkipEmptyParts);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    return value.toString().split(u',', Qt::SkipEmptyParts);
}

void Settings::write(const SettingKey& key, const QVariant& value)
{
    const QString name = keyName(key);
    const bool existed = m_settings->contains(name);
    bool same = false;
    if (existed) {
        switch (key.type) {
        case SettingType::String:
            same = fileString(key) == value.toString() && raw(key).typeId() == QMetaType::QString;
            break;
        case SettingType::Bool:
            same = storedBoolean(raw(key)) == std::optional<bool>(value.toBool());
            break;
        case SettingType::Integer:
        case SettingType::HotkeyValue:
            same = storedInteger(raw(key)) == std::optional<qint64>(value.toLongLong());
            break;
        case SettingType::Bytes:
            same = raw(key).typeId() == QMetaType::QByteArray && bytes(key) == value.toByteArray();
            break;
        case SettingType::StringList:
            same = stringList(key) == value.toStringList();
            break;
        }
    }
    if (same)
        return;
    // QSettings writes an empty list as "@Invalid()", which reads back as "not set", i.e. as the default list.
    const bool emptyList = key.type == SettingType::StringList && value.toStringList().isEmpty();
    m_settings->setValue(name, emptyList ? QVariant(QString()) : value);
    persist();
    Q_EMIT changed(name);
}

void Settings::persist()
{
    // sync() rewrites the whole file from what QSettings parsed, and would save a hand-written "a ,b" as the list
    // "a, b": store such text settings as the text read from the file while it is still there.
    for (const SettingKey& key : SettingsKeys::all) {
        const QVariant value = raw(key);
        if (key.type == SettingType::String &&
            (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList))
            m_settings->setValue(keyName(key), textWrittenAsList(m_path, key, value.toStringList()));
    }
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        logLine(component, QStringLiteral("Failed to write ") + m_path);
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void Settings::setString(const SettingKey& key, const QString& value)
{
    const QString name = keyName(key);
    const auto secret = m_secretValues.find(name);
    if (secret == m_secretValues.end() || !m_secretWriter) {
        write(key, value);
        return;
    }
    if (*secret == value)
        return;
    *secret = value;
    Q_EMIT changed(name);
    m_secretWriter(key, value);
}

void Settings::setFileString(const SettingKey& key, const QString& value)
{
    write(key, value);
}

void Settings::setSecretValue(const SettingKey& key, const std::optional<QString>& value)
{
    const QString name = keyName(key);
    const QString before = string(key);
    if (value)
        m_secretValues.insert(name, *value);
    else
        m_secretValues.remove(name);
    if (string(key) != before)
        Q_EMIT changed(name);
}

void Settings::setSecretsStorage(const QString& sentence)
{
    if (m_secretsStorage == sentence)
        return;
    m_secretsStorage = sentence;
    Q_EMIT secretsStorageChanged();
}

void Settings::setBoolean(const SettingKey& key, bool value)
{
    write(key, value);
}

void Settings::setInteger(const SettingKey& key, qint64 value)
{
    write(key, value);
}

void Settings::setBytes(const SettingKey& key, const QByteArray& value)
{
    write(key, value);
}

void Settings::setStringList(const SettingKey& key, const QStringList& value)
{
    write(key, value);
}

void Settings::remove(const SettingKey& key)
{
    const QString name = keyName(key);
    if (!m_settings->contains(name))
        return;
    m_settings->remove(name);
    persist();
    Q_EMIT changed(name);
}

QString Settings::syncOwnerKey()
{
    QString key = string(SettingsKeys::syncOwnerKey);
    if (key.isEmpty()) {
        key = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        setString(SettingsKeys::syncOwnerKey, key);
    }
    return key;
}
