#include "platform/qsettings_store.h"

#include "ui/translated.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace candlewatcher {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// QSettings says only that the file could not be accessed; the file and its folder tell the user why.
// TRANSLATORS: why the settings file could not be read or written; it ends a message such as "Cannot write
// /home/ann/.config/Candlewatcher/Candlewatcher.ini: permission denied".
QString Reason(const QSettings& settings, const QString& path) {
    if (settings.status() == QSettings::FormatError) {
        return QTr("it is not a settings file");
    }
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir()) {
        return QTr("a folder of that name is in its place");
    }
    if (!folder.exists()) {
        return QTr("its folder could not be created");
    }
    if (!folder.isDir()) {
        return QTr("a file is in the place of its folder");
    }
    if (file.exists() && !file.isReadable()) {
        return QTr("permission denied");
    }
    if (!folder.isWritable() || (file.exists() && !file.isWritable())) {
        return QTr("it is read-only");
    }
    return QTr("it could not be written (the disk may be full)");
}

// `message` has the file's place as %1 and the reason's as %2.
[[noreturn]] void Fail(const QString& message, const QString& path, const QString& reason) {
    throw SettingsError(message.arg(QDir::toNativeSeparators(path), reason).toStdString());
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
        // TRANSLATORS: %1 is the settings file, %2 the reason.
        Fail(QTr("Cannot read %1: %2"), path, Reason(settings, path));
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
        // TRANSLATORS: %1 is the settings file, %2 the reason.
        Fail(QTr("Cannot write %1: %2"), path, Reason(settings, path));
    }
}

} // namespace candlewatcher
