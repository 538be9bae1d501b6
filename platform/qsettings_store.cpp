#include "platform/qsettings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace candlewatcher {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Reason(QSettings::Status status) {
    switch (status) {
    case QSettings::AccessError:
        return QStringLiteral("it cannot be accessed");
    case QSettings::FormatError:
        return QStringLiteral("it is not a valid settings file");
    case QSettings::NoError:
        break;
    }
    return QString();
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
        Fail(QStringLiteral("The settings could not be read from"), path, Reason(settings.status()));
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
        Fail(QStringLiteral("The settings could not be saved to"), path, Reason(settings.status()));
    }
}

} // namespace candlewatcher
