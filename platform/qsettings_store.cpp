#include "platform/qsettings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace candlewatcher {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// QSettings says only that the file could not be accessed; the file and its folder tell the user why.
QString Reason(const QSettings& settings, const QString& path) {
    if (settings.status() == QSettings::FormatError) {
        return QStringLiteral("it is not a settings file");
    }
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir()) {
        return QStringLiteral("a folder of that name is in its place");
    }
    if (!folder.exists()) {
        return QStringLiteral("its folder could not be created");
    }
    if (!folder.isDir()) {
        return QStringLiteral("a file is in the place of its folder");
    }
    if (file.exists() && !file.isReadable()) {
        return QStringLiteral("permission denied");
    }
    if (!folder.isWritable() || (file.exists() && !file.isWritable())) {
        return QStringLiteral("it is read-only");
    }
    return QStringLiteral("it could not be written (the disk may be full)");
}

[[noreturn]] void Fail(const QString& what, const QString& path, const QString& reason) {
    throw SettingsError(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

QString GroupKey(std::string_view section, std::string_view key) {
    return FromView(section) + QLatin1Char('/') + FromView(key);
}

} // namespace

QString QSettingsStore::FilePath(std::string_view app) {
    const QString name = FromView(app);
    return QSettings(QSettings::IniFormat, QSettings::UserScope, name, name).fileName();
}

std::string QSettingsStore::GetSetting(std::string_view app, std::string_view section, std::string_view key,
                                       std::string_view defaultText) const {
    const QString path = FilePath(app);
    if (!QFileInfo::exists(path)) {
        return std::string(defaultText); // QSettings would create nothing either, but say so plainly
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        Fail(QStringLiteral("Cannot read"), path, Reason(settings, path));
    }
    const QVariant value = settings.value(GroupKey(section, key));
    if (!value.isValid()) {
        return std::string(defaultText);
    }
    // Stored as text, so that a text that looks like a list or a variant comes back as it went in.
    return value.toString().toStdString();
}

void QSettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                 std::string_view text) {
    const QString path = FilePath(app);
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(GroupKey(section, key), FromView(text));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        Fail(QStringLiteral("Cannot write"), path, Reason(settings, path));
    }
}

} // namespace candlewatcher
